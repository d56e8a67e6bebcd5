#!/usr/bin/python3
"""The metrics service's system call filter lets through every call zephyra-cli metrics makes: polling a
TCP and a serial device, serving scrapes, and reading on scrape. systemd kills a service that makes a
call outside its filter, and no systemd runs the unit here, so strace tells which calls the program makes.
Usage: service_syscalls_test.py ZEPHYRA_CLI ZEPHYRA_SIM UNIT"""
import os
import re
import signal
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request

SKIP = 77


def expand(name, seen=None):
    """The calls of a systemd call group, groups within it included."""
    seen = seen if seen is not None else set()
    if not name.startswith("@"):
        return {name}
    if name in seen:
        return set()
    seen.add(name)
    out = subprocess.run(["systemd-analyze", "syscall-filter", name], capture_output=True, text=True,
                         check=True).stdout
    calls = set()
    for line in out.splitlines()[1:]:
        word = line.strip()
        if word and not word.startswith("#"):
            calls |= expand(word, seen)
    return calls


def allowed_calls(unit):
    """The unit's SystemCallFilter= lines, in order: an allow list, then ~ lines taking calls away."""
    allowed = None
    with open(unit) as f:
        for line in f:
            m = re.match(r"SystemCallFilter=(~?)(.*)", line.strip())
            if not m:
                continue
            calls = set().union(*(expand(w) for w in m.group(2).split()))
            if m.group(1):
                allowed = (allowed if allowed is not None else set()) - calls
            else:
                allowed = (allowed or set()) | calls
    return allowed


def wait_for(path, pattern, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        with open(path, errors="replace") as f:
            found = re.search(pattern, f.read())
        if found:
            return found
        time.sleep(0.1)
    sys.exit(f"{pattern!r} not seen in {path}: {open(path, errors='replace').read()}")


def scrape_until(url, text, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            with urllib.request.urlopen(url, timeout=5) as reply:
                if text in reply.read().decode():
                    return
        except OSError:
            pass
        time.sleep(0.2)
    sys.exit(f"{url} never showed {text!r}")


def main():
    cli, sim, unit = sys.argv[1:4]
    strace = shutil.which("strace")
    if not strace or subprocess.run([strace, "-o", os.devnull, "true"]).returncode != 0:
        print("strace cannot trace here")
        return SKIP
    allowed = allowed_calls(unit)
    if not allowed:
        sys.exit(f"{unit} has no SystemCallFilter=")
    work = tempfile.mkdtemp(prefix="syscalls-")
    procs = []
    try:
        sim_log = os.path.join(work, "sim.log")
        procs.append(subprocess.Popen([sim, "--link", f"{work}/tty", "--tcp-port", "0"],
                                      stdout=open(sim_log, "w"), stderr=subprocess.STDOUT, start_new_session=True))
        port = wait_for(sim_log, r"tcp=127\.0\.0\.1:(\d+)").group(1)
        used = set()
        # Both ways of serving: polling all the time, and one read per scrape.
        for n, mode in enumerate(([], ["--read-on-scrape"])):
            trace, log = f"{work}/trace{n}", f"{work}/cli{n}.log"
            p = subprocess.Popen([strace, "-f", "-qq", "-o", trace, cli, "metrics", "--listen", "127.0.0.1:0",
                                  *mode, f"tcp:localhost:{port}", f"serial:{work}/tty"],
                                 stdout=subprocess.DEVNULL, stderr=open(log, "w"), start_new_session=True)
            procs.append(p)
            exporter = wait_for(log, r"serving (http://\S+)").group(1)
            scrape_until(exporter, 'zephyra_up{device="tcp:localhost:%s"} 1' % port)
            # The exporter itself ends on SIGTERM, as under systemd; strace on its own would let go of it.
            os.killpg(p.pid, signal.SIGTERM)
            p.wait(timeout=10)
            with open(trace) as f:
                used |= {m.group(1) for m in re.finditer(r"^\d+ +([a-z0-9_]+)\(", f.read(), re.M)}
        outside = sorted(used - allowed - {"execve"})
        if outside:
            sys.exit(f"calls outside the filter of {unit}: {' '.join(outside)}")
        print(f"{len(used)} calls, all inside the filter")
        return 0
    finally:
        for p in procs:
            if p.poll() is None:
                os.killpg(p.pid, signal.SIGKILL)
                p.wait(timeout=10)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
