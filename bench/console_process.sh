#!/usr/bin/env bash
# Whole-process figures of the console against zephyra-sim, whose values move every poll: CPU time over
# POLL_SECONDS of polling on the serial link (600 ms cadence) and on TCP (900 ms), CPU per poll, peak
# resident memory, and the median time from start to the main window shown. Each link also runs
# bench_qt_floor, a bare Qt program doing only a poll's visible work (request, reply, TX/RX lights, two
# changing fields, the Korean fonts): what any Qt window costs here, under the console's own figure.
# Runs on a real X server (Xvfb, as a field laptop's screen would be) unless PLATFORM=offscreen.
# Usage: bench/console_process.sh [BUILD_DIR] [POLL_SECONDS] [TRAFFIC_LINES]
# BENCH_ARGS adds options to the polling runs (--trend-fill: the Trend page's store first holds a day;
# --trend-shown: the Trend page is on show).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
seconds=${2:-60}
lines=${3:-}
platform=${PLATFORM:-xvfb}
cmake --build "$build" --target bench_console_process bench_qt_floor zephyra-sim -j"$(nproc)" >/dev/null

run=$(mktemp -d /tmp/zephyra-bench.XXXXXX)
"$build/sim/zephyra-sim" --link "$run/ttyV0" --tcp-port 0 >"$run/ready" 2>"$run/sim.err" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null; rm -rf "$run"' EXIT
for _ in $(seq 100); do grep -q ready "$run/ready" 2>/dev/null && break; sleep 0.1; done
port=$(sed -n 's/.*tcp=127\.0\.0\.1:\([0-9]*\).*/\1/p' "$run/ready")

# Every measured command runs under the chosen platform.
on_screen() {
    if [ "$platform" = offscreen ] || ! command -v xvfb-run >/dev/null; then
        QT_QPA_PLATFORM=offscreen "$@"
    else
        QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" "$@"
    fi
}
echo "== platform: $platform"
for link in "$run/ttyV0" "tcp:$port"; do
    echo "== $seconds s of polling on $link (user s, system s, peak RSS kB)"
    on_screen /usr/bin/time -f "cpu_user=%U cpu_sys=%S peak_rss_kb=%M" \
        "$build/bench/bench_console_process" --poll "$seconds" "$link" $lines ${BENCH_ARGS:-}
    echo "== the floor: bench_qt_floor, $seconds s on $link"
    on_screen /usr/bin/time -f "cpu_user=%U cpu_sys=%S peak_rss_kb=%M" \
        "$build/bench/bench_qt_floor" "$seconds" "$link"
done

echo "== start to main window shown, 21 runs"
on_screen /usr/bin/python3 - "$build/bench/bench_console_process" <<'PY'
import statistics, subprocess, sys, time
times = []
for _ in range(21):
    t = time.perf_counter()
    subprocess.run([sys.argv[1], "--startup"], check=True, stderr=subprocess.DEVNULL)
    times.append((time.perf_counter() - t) * 1000)
print(f"median_ms={statistics.median(times):.1f} min_ms={min(times):.1f} max_ms={max(times):.1f}")
PY
