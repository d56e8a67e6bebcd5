#!/usr/bin/python3
"""The shipped Grafana dashboards are in Grafana's format, and every query of every panel returns series
from a real Prometheus that scrapes zephyra-cli metrics polling zephyra-sim (one device on TCP, one on the
serial link). Usage: dashboard_queries_test.py ZEPHYRA_CLI ZEPHYRA_SIM DASHBOARD.json..."""
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request

SKIP = 77
SCRAPE_S = 1
# What Grafana puts in place of its own variables at this scrape interval.
GLOBALS = {"__rate_interval": f"{4 * SCRAPE_S}s", "__interval": f"{SCRAPE_S}s", "__range": "5m"}
PANEL_TYPES = {"stat", "timeseries", "table", "state-timeline", "gauge", "bargauge"}


def format_faults(board):
    """What keeps Grafana from importing the dashboard, or a panel from reaching the chosen Prometheus."""
    faults = []
    for key in ("uid", "title", "panels", "templating"):
        if key not in board:
            faults.append(f"no {key}")
    if not isinstance(board.get("schemaVersion"), int):
        faults.append("no numeric schemaVersion")
    variables = {v["name"]: v for v in board.get("templating", {}).get("list", [])}
    source = variables.get("datasource", {})
    if source.get("type") != "datasource" or source.get("query") != "prometheus":
        faults.append("no Prometheus datasource variable")
    ids = [p.get("id") for p in board.get("panels", [])]
    if len(set(ids)) != len(ids):
        faults.append("panel ids repeat")
    for p in board.get("panels", []):
        name = f"panel {p.get('title')!r}"
        if p.get("type") not in PANEL_TYPES:
            faults.append(f"{name}: type {p.get('type')!r}")
        pos = p.get("gridPos", {})
        if not all(isinstance(pos.get(k), int) for k in "hwxy") or pos["x"] + pos["w"] > 24:
            faults.append(f"{name}: gridPos {pos}")
        if not p.get("targets"):
            faults.append(f"{name}: no targets")
        for t in p.get("targets", []):
            if t.get("datasource", p.get("datasource", {})).get("uid") != "${datasource}":
                faults.append(f"{name}: a query not on the datasource variable")
            for var in re.findall(r"\$\{?(\w+)", t.get("expr", "")):
                if var not in variables and var not in GLOBALS:
                    faults.append(f"{name}: ${var} is no variable")
        if not all(t.get("expr") and t.get("refId") for t in p.get("targets", [])):
            faults.append(f"{name}: a target without expr or refId")
    return faults


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(path, pattern, proc, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        with open(path, encoding="utf-8", errors="replace") as f:
            found = re.search(pattern, f.read())
        if found:
            return found
        if proc.poll() is not None:
            break
        time.sleep(0.1)
    with open(path, encoding="utf-8", errors="replace") as f:
        sys.exit(f"{pattern!r} not seen in {path}:\n{f.read()}")


def query(port, expr):
    url = f"http://127.0.0.1:{port}/api/v1/query?" + urllib.parse.urlencode({"query": expr})
    with urllib.request.urlopen(url, timeout=5) as reply:
        answer = json.load(reply)
    if answer.get("status") != "success":
        sys.exit(f"Prometheus refuses {expr!r}: {answer}")
    return answer["data"]["result"]


def main():
    cli, sim, boards = sys.argv[1], sys.argv[2], sys.argv[3:]
    dashboards = {}
    for path in boards:
        with open(path, encoding="utf-8") as f:
            dashboards[os.path.basename(path)] = json.load(f)
    faults = [f"{name}: {fault}" for name, b in dashboards.items() for fault in format_faults(b)]
    if faults:
        sys.exit("\n".join(faults))
    prometheus = shutil.which("prometheus")
    if not prometheus:
        print("prometheus is not installed")
        return SKIP

    work = tempfile.mkdtemp(prefix="dashboard-")
    procs = []

    def start(args, log):
        out = open(os.path.join(work, log), "w")
        procs.append(subprocess.Popen(args, stdout=out, stderr=subprocess.STDOUT))
        return procs[-1], out.name

    try:
        sim_proc, sim_log = start([sim, "--link", os.path.join(work, "tty"), "--tcp-port", "0"], "sim.log")
        tcp = wait_for(sim_log, r"tcp=127\.0\.0\.1:(\d+)", sim_proc).group(1)
        config = os.path.join(work, "metrics.conf")
        with open(config, "w") as f:
            f.write(f"rect-a = tcp:127.0.0.1:{tcp}\nrect-b = serial:{os.path.join(work, 'tty')}\n")
        cli_proc, cli_log = start([cli, "metrics", "--listen", "127.0.0.1:0", "--config", config], "cli.log")
        exporter = wait_for(cli_log, r"serving http://127\.0\.0\.1:(\d+)/metrics", cli_proc).group(1)
        with open(os.path.join(work, "prometheus.yml"), "w") as f:
            f.write(f"global: {{scrape_interval: {SCRAPE_S}s, evaluation_interval: {SCRAPE_S}s}}\n"
                    f"scrape_configs:\n  - job_name: zephyra\n"
                    f"    static_configs: [{{targets: ['127.0.0.1:{exporter}']}}]\n")
        port = free_port()
        prom_proc, prom_log = start([prometheus, f"--config.file={work}/prometheus.yml",
                                     f"--storage.tsdb.path={work}/data", f"--web.listen-address=127.0.0.1:{port}"],
                                    "prometheus.log")
        wait_for(prom_log, r"Server is ready to receive web requests", prom_proc)

        # The device variable, as Grafana fills it, must offer both devices.
        deadline = time.monotonic() + 30
        devices = []
        while time.monotonic() < deadline and len(devices) < 2:
            devices = sorted({s["metric"]["device"] for s in query(port, "zephyra_up == 1")})
            time.sleep(0.5)
        if devices != ["rect-a", "rect-b"]:
            sys.exit(f"devices up: {devices}\n" + open(cli_log).read())
        pending = []
        for name, board in dashboards.items():
            for panel in board["panels"]:
                for t in panel["targets"]:
                    for device in devices:
                        expr = t["expr"].replace("$device", device)
                        for var, value in GLOBALS.items():
                            expr = expr.replace("$" + var, value)
                        pending.append((f"{name} / {panel['title']} / {t['refId']} ({device})", expr))
        # Rates need a few scrapes: each query is asked again until it answers or time is up.
        while pending and time.monotonic() < deadline + 30:
            pending = [(what, expr) for what, expr in pending if not query(port, expr)]
            time.sleep(0.5)
        if pending:
            sys.exit("no series for:\n" + "\n".join(f"  {what}: {expr}" for what, expr in pending))
        print(f"{len(dashboards)} dashboards, every query answered for {', '.join(devices)}")
        return 0
    finally:
        for p in procs:
            p.terminate()
        for p in procs:
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                p.kill()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
