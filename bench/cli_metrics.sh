#!/usr/bin/env bash
# zephyra-cli metrics polling DEVICES simulated controllers, listed in a device list file (--config), over
# loopback TCP at a 1 s period for SECONDS:
# CPU time (user + system, and as a share of one core), peak resident memory, and a scrape at the end
# that must show every device up. mbpoll reading one device at the same pace is the anchor.
# Usage: bench/cli_metrics.sh [BUILD_DIR] [SECONDS] [DEVICES]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
seconds=${2:-60}
count=${3:-50}
cmake --build "$build" --target zephyra-cli zephyra-sim -j"$(nproc)" >/dev/null

run=$(mktemp -d /tmp/zephyra-bench.XXXXXX)
sims=()
cleanup() {
    for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$run"
}
trap cleanup EXIT
devices=()
for i in $(seq "$count"); do
    "$build/sim/zephyra-sim" --no-pty --tcp-port 0 >"$run/ready$i" 2>"$run/sim$i.err" &
    sims+=($!)
done
for i in $(seq "$count"); do
    for _ in $(seq 100); do grep -q ready "$run/ready$i" 2>/dev/null && break; sleep 0.1; done
    devices+=("tcp:$(sed -n 's/.*tcp=\(127\.0\.0\.1:[0-9]*\).*/\1/p' "$run/ready$i")")
done

for i in $(seq "$count"); do echo "rect-$i = ${devices[$((i - 1))]}"; done >"$run/metrics.conf"

echo "== zephyra-cli metrics: $count devices from a device list, 1 s period, $seconds s (user s, system s, peak RSS kB)"
# timeout ends it with SIGTERM (its summary path) after the run; time reports it as timeout's child.
/usr/bin/time -f "cpu_user=%U cpu_sys=%S peak_rss_kb=%M" -o "$run/time" \
    timeout -s TERM "$seconds" "$build/src/cli/zephyra-cli" metrics --listen 127.0.0.1:0 --interval 1 \
    --config "$run/metrics.conf" 2>"$run/cli.err" &
cli=$!
for _ in $(seq 100); do grep -q serving "$run/cli.err" 2>/dev/null && break; sleep 0.1; done
port=$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\)\/metrics.*/\1/p' "$run/cli.err")
sleep $((seconds - 3))
# One scrape, as Prometheus would make it, before the end.
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf 'GET /metrics HTTP/1.0\r\n\r\n' >&3
page=$(cat <&3)
exec 3<&-
wait "$cli" || true
grep cpu_user "$run/time"
awk -v s="$seconds" -F'[= ]' '/^cpu_user/ {printf "cpu_share_of_one_core=%.2f%%\n", 100 * ($2 + $4) / s}' "$run/time"
up=$(grep -c '^zephyra_up{.*} 1$' <<<"$page" || true)
echo "devices_up_at_end=$up of $count"
grep -E '^zephyra_(requests|replies|timeouts)_total' <<<"$page" | awk '{split($1, n, "{"); t[n[1]] += $2}
    END {for (k in t) printf "%s_sum=%d\n", k, t[k]}' | sort

if command -v mbpoll >/dev/null; then
    port1=${devices[0]##*:}
    echo "== anchor: mbpoll reading 125 input registers of one device every 1 s, $seconds s"
    /usr/bin/time -f "cpu_user=%U cpu_sys=%S peak_rss_kb=%M" -o "$run/mbpoll.time" \
        timeout -s INT "$seconds" mbpoll -m tcp -p "$port1" -a 1 -t 3 -r 1 -c 125 -l 1000 127.0.0.1 >/dev/null 2>&1 || true
    grep cpu_user "$run/mbpoll.time"
fi
