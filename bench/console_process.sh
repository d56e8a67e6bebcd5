#!/usr/bin/env bash
# Whole-process figures of the console against zephyra-sim: CPU time over 60 s of serial polling at the
# 600 ms cadence, peak resident memory, and the median time from start to the main window shown.
# Usage: bench/console_process.sh [BUILD_DIR] [POLL_SECONDS] [TRAFFIC_LINES]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
seconds=${2:-60}
lines=${3:-}
cmake --build "$build" --target bench_console_process zephyra-sim -j"$(nproc)" >/dev/null

run=$(mktemp -d /tmp/zephyra-bench.XXXXXX)
"$build/sim/zephyra-sim" --no-tcp --link "$run/ttyV0" >"$run/ready" 2>"$run/sim.err" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null; rm -rf "$run"' EXIT
for _ in $(seq 100); do grep -q ready "$run/ready" 2>/dev/null && break; sleep 0.1; done

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
echo "== $seconds s of serial polling (user s, system s, peak RSS kB)"
/usr/bin/time -f "cpu_user=%U cpu_sys=%S peak_rss_kb=%M" \
    "$build/bench/bench_console_process" --poll "$seconds" "$run/ttyV0" $lines

echo "== start to main window shown, 21 runs"
/usr/bin/python3 - "$build/bench/bench_console_process" <<'PY'
import statistics, subprocess, sys, time
times = []
for _ in range(21):
    t = time.perf_counter()
    subprocess.run([sys.argv[1], "--startup"], check=True, stderr=subprocess.DEVNULL)
    times.append((time.perf_counter() - t) * 1000)
print(f"median_ms={statistics.median(times):.1f} min_ms={min(times):.1f} max_ms={max(times):.1f}")
PY
