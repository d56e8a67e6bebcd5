#!/usr/bin/env bash
# A 2000-record alarm log download from zephyra-sim over the pseudo-terminal with 5 ms device latency,
# through the real console: time against the wire time, and whether every record landed exactly once,
# in order (at most 1.3 times the wire time).
# Usage: bench/history_download.sh [BUILD_DIR] [RECORDS] [LATENCY_MS] [JITTER_MS] [--one-at-a-time]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cmake --build "$build" --target bench_history_download zephyra-sim -j2 >/dev/null
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export ZEPHYRA_SIM=$build/sim/zephyra-sim
/usr/bin/time -f "cpu_user=%U cpu_sys=%S peak_rss_kb=%M" \
    "$build/bench/bench_history_download" "${2:-2000}" "${3:-5}" "${@:4}" 2> >(grep -v propagateSizeHints >&2)
