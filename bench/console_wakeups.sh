#!/usr/bin/env bash
# Wake-ups and CPU per steady status poll of the whole console process (bench_console_process, the
# window hidden unless SHOWN=1), on the serial link (pseudo-terminal) and on TCP, against zephyra-sim.
# After SETTLE seconds of polling, two windows of SECONDS each:
#   untraced: voluntary context switches summed over the process's threads (and per thread name), CPU
#             time on all threads (schedstat, nanoseconds), and the polls: status requests in the
#             simulator's journal;
#   traced:   strace -f -e trace=poll,ppoll attached to every thread: calls per poll, and those that
#             slept (a wake-up), per thread.
# A thread that only wakes for its own reasons shows up in the per-thread lines.
# Usage: bench/console_wakeups.sh [BUILD_DIR] [SECONDS]
#   PLATFORM=offscreen: no Xvfb; SETTLE=5; SHOWN=1: the main window on show (as an operator has it)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
seconds=${2:-60}
settle=${SETTLE:-5}
platform=${PLATFORM:-xvfb}
cmake --build "$build" --target bench_console_process zephyra-sim -j2 >/dev/null

run=$(mktemp -d /tmp/zephyra-wake.XXXXXX)
"$build/sim/zephyra-sim" --link "$run/ttyV0" --tcp-port 0 --journal "$run/journal" >"$run/ready" 2>"$run/sim.err" &
sim=$!
console=
cleanup() {
    [ -n "$console" ] && kill "$console" 2>/dev/null
    kill $sim 2>/dev/null
    wait 2>/dev/null
    rm -rf "$run"
}
trap cleanup EXIT
for _ in $(seq 100); do grep -q ready "$run/ready" 2>/dev/null && break; sleep 0.1; done
port=$(sed -n 's/.*tcp=127\.0\.0\.1:\([0-9]*\).*/\1/p' "$run/ready")

# Status requests the simulator has received on a channel so far.
polls() { grep -c "^[0-9]* $1 RX " "$run/journal" || true; }
# Per thread: "name tid voluntary-switches cpu-ns" (a thread gone while it is read is left out).
per_thread() {
    local t name sw ns
    for t in /proc/"$1"/task/*; do
        name=$(tr -d ' ' <"$t/comm" 2>/dev/null) || continue
        sw=$(awk '/^voluntary_ctxt_switches/ {print $2}' "$t/status" 2>/dev/null) || continue
        ns=$(awk '{print $1}' "$t/schedstat" 2>/dev/null) || continue
        [ -n "$name" ] && [ -n "$sw" ] && [ -n "$ns" ] && printf '%s %s %s %s\n' "$name" "${t##*/}" "$sw" "$ns"
    done
    return 0
}

view=(env ZEPHYRA_BENCH_HIDDEN=1) shown="window hidden"
if [ "${SHOWN:-0}" = 1 ]; then view=(env -u ZEPHYRA_BENCH_HIDDEN) shown="window shown"; fi
echo "== platform: $platform, $shown, $seconds s per window after $settle s"
for link in serial tcp; do
    if [ $link = serial ]; then target=$run/ttyV0 channel=RTU; else target=tcp:$port channel=TCP; fi
    rm -f "$run/pid"
    launcher=(env QT_QPA_PLATFORM=offscreen)
    if [ "$platform" != offscreen ] && command -v xvfb-run >/dev/null; then
        launcher=(env QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24")
    fi
    "${view[@]}" "${launcher[@]}" sh -c 'echo $$ >"$0"; exec "$@"' "$run/pid" \
        "$build/bench/bench_console_process" --poll $((settle + 2 * seconds + 5)) "$target" \
        >"$run/console.out" 2>"$run/console.err" &
    console=$!
    for _ in $(seq 100); do [ -s "$run/pid" ] && break; sleep 0.1; done
    pid=$(cat "$run/pid")
    sleep "$settle"

    p0=$(polls $channel)
    per_thread "$pid" >"$run/threads0"
    sleep "$seconds"
    p1=$(polls $channel)
    per_thread "$pid" >"$run/threads1"
    n=$((p1 - p0))
    echo "== $link: $n polls in $seconds s"
    # Threads that ended within the window are not counted; one that started counts whole.
    awk -v n=$n 'NR == FNR { s0[$2] = $3; c0[$2] = $4; next }
        { ds = $3 - s0[$2]; dc = $4 - c0[$2]; if (ds < 0) next; s += ds; c += dc
          line[++k] = sprintf("  thread %-16s switches/poll %.2f cpu/poll %.3f ms", $1, ds / n, dc / 1e6 / n) }
        END {
            printf "voluntary_switches=%d per_poll=%.2f cpu_ms=%.1f cpu_per_poll_ms=%.3f\n", s, s / n, c / 1e6, c / 1e6 / n
            for (i = 1; i <= k; i++) print line[i]
        }' "$run/threads0" "$run/threads1"

    p0=$(polls $channel)
    per_thread "$pid" >"$run/threads"
    timeout -s INT "$seconds" strace -f -T -e trace=poll,ppoll -p "$pid" -o "$run/strace" 2>/dev/null || true
    p1=$(polls $channel)
    n=$((p1 - p0))
    # A call is one "poll(" or "ppoll(" (a call cut by another thread's line ends in a "resumed" line,
    # which carries its duration). A call that lasted 1 ms or more slept: a wake-up. The others found
    # an event waiting, most often the dispatcher's own wake-up after a notifier changed.
    awk -v n=$n 'NR == FNR { name[$2] = $1; next }
        / p?poll\(/ { calls++; per[$1]++ }
        /<[0-9.]+>$/ && (/ p?poll\(/ || /<\.\.\. p?poll resumed>/) {
            d = $NF; gsub(/[<>]/, "", d); if (d + 0 >= 0.001) { slept++; sleeps[$1]++ } }
        END {
            printf "traced: %d polls, poll+ppoll calls=%d per_poll=%.2f, of which slept=%d per_poll=%.2f\n",
                n, calls, calls / n, slept, slept / n
            for (t in per) printf "  thread %-16s calls/poll %.2f slept/poll %.2f\n", name[t], per[t] / n, sleeps[t] / n
        }' "$run/threads" "$run/strace"
    kill "$console" 2>/dev/null || true
    wait "$console" 2>/dev/null || true
    console=
done
