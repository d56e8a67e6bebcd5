#!/usr/bin/env bash
# What a user's machine pays for the console: the installed program, started as a user starts it (default
# window, Korean, no bench options), driven with the mouse and keyboard on its own Xvfb (xdotool), polling
# zephyra-sim, whose values move on every poll. Serial (600 ms) and TCP (900 ms) run side by side, each
# with its own X server and simulator.
# Per link: log in, connect, then windows of SECONDS alternating the Information and the Trend page
# (I T I T ...), ROUNDS pairs while the Trend view still fills its first ten minutes ("filling"), then the
# same once the view has begun to scroll ("scrolling"). Per window, from /proc: CPU of the console and of
# the X server (all threads, schedstat ns) per status request the simulator received, voluntary context
# switches per request of both; at the end the console's peak RSS (VmHWM). bench_qt_floor runs beside it on
# the same kind of X server, for the floor under the Information page.
# Usage: bench/console_as_user.sh [PREFIX] [SECONDS] [ROUNDS]
#   PREFIX: the installed console (cmake --install BUILD --prefix PREFIX, or a dpkg -x of the package);
#           default: build/ installed into a temporary prefix. BUILD_DIR: where the simulator and the floor
#           come from. STATES="filling" skips the ten minutes' wait for the scrolling view.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
seconds=${2:-45}
rounds=${3:-2}
command -v xdotool >/dev/null || { echo "needs xdotool (scripts/packages.txt)" >&2; exit 2; }
cmake --build "$build" --target zephyra-console zephyra-sim bench_qt_floor -j2 >/dev/null

run=$(mktemp -d /tmp/zephyra-user.XXXXXX)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$run"
}
trap cleanup EXIT
prefix=${1:-}
if [ -z "$prefix" ]; then
    prefix=$run/prefix
    cmake --install "$build" --prefix "$prefix" --component console >/dev/null 2>&1 || true
fi
console_bin=$prefix/bin/zephyra-console
[ -x "$console_bin" ] || { echo "no console at $console_bin" >&2; exit 2; }

snap() { # per thread of a process: "tid cpu-ns voluntary-switches"
    local t ns sw
    for t in /proc/"$1"/task/*; do
        read -r ns _ <"$t/schedstat" 2>/dev/null || continue
        sw=$(awk '/^voluntary_ctxt_switches/ {print $2}' "$t/status" 2>/dev/null) || continue
        echo "${t##*/} $ns ${sw:-0}"
    done
}
delta() { # two snaps: "cpu-ns switches" of the threads alive at the end (one born in between counts whole;
    # one ended in between is left out: the raster engine's pooled threads, which idle out after 30 s)
    awk 'NR == FNR { c[$1] = $2; s[$1] = $3; next } { dc += $2 - c[$1]; ds += $3 - s[$1] } END { print dc, ds }' "$1" "$2"
}
wait_window() { # DISPLAY, name regex: the window id
    local w
    for _ in $(seq 100); do
        w=$(DISPLAY=$1 xdotool search --onlyvisible --name "$2" 2>/dev/null | head -1) && [ -n "$w" ] && { echo "$w"; return; }
        sleep 0.1
    done
    echo "no window $2 on $1" >&2
    return 1
}
click() { # DISPLAY window x y, then the pointer leaves the window (a pointer over the chart shows a readout)
    DISPLAY=$1 xdotool mousemove --window "$2" "$3" "$4" click 1 mousemove 2 2
    sleep 0.4
}

# Its own X server and simulator in DIR, for a session or the floor: sets the caller's display, xvfb and sim.
start_x_and_sim() {
    local dir=$1
    exec 3>"$dir/displayfd"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
    xvfb=$!
    exec 3>&-
    for _ in $(seq 50); do [ -s "$dir/displayfd" ] && break; sleep 0.1; done
    display=:$(head -1 "$dir/displayfd")
    "$build/sim/zephyra-sim" --link "$dir/ttyV0" --tcp-port 0 --journal "$dir/journal" >"$dir/ready" 2>/dev/null &
    sim=$!
    for _ in $(seq 100); do grep -q ready "$dir/ready" 2>/dev/null && break; sleep 0.1; done
    # A session that fails (no window in time) leaves no X server or simulator behind.
    trap "kill $xvfb $sim 2>/dev/null || true" EXIT
}
sim_port() { # DIR: the simulator's TCP port
    sed -n 's/.*tcp=127\.0\.0\.1:\([0-9]*\).*/\1/p' "$1/ready"
}

# One window of SECONDS for PID beside the caller's X server ($xvfb), simulator journal and channel:
# "polls program-cpu-ns x-cpu-ns program-switches x-switches".
measure() {
    local p0 p1 c sc x sx
    p0=$(grep -c " $channel RX " "$dir/journal" || true)
    snap "$1" >"$dir/c0"
    snap $xvfb >"$dir/x0"
    sleep "$seconds"
    snap "$1" >"$dir/c1"
    snap $xvfb >"$dir/x1"
    p1=$(grep -c " $channel RX " "$dir/journal" || true)
    read -r c sc < <(delta "$dir/c0" "$dir/c1")
    read -r x sx < <(delta "$dir/x0" "$dir/x1")
    echo "$((p1 - p0)) $c $x $sc $sx"
}

# One link's session: its own Xvfb, simulator and console; writes lines to $run/$link.out.
session() {
    local link=$1 dir=$run/$1 display xvfb sim console w d channel
    mkdir -p "$dir/home"
    start_x_and_sim "$dir"
    local port
    port=$(sim_port "$dir")
    # A fresh user: no remembered choices, so Korean and the default window.
    env -u QT_QPA_PLATFORM -u LANGUAGE HOME="$dir/home" DISPLAY="$display" \
        "$console_bin" --host 127.0.0.1 --tcp-port "$port" --serial-path "$dir/ttyV0" >/dev/null 2>&1 &
    console=$!
    w=$(wait_window "$display" '^ZEPHYRA-M10 V')
    sleep 1
    click "$display" "$w" 73 9    # 접속
    click "$display" "$w" 102 73  # 로그인
    d=$(wait_window "$display" '^로그인')
    DISPLAY=$display xdotool type --delay 30 guest
    DISPLAY=$display xdotool key Tab
    DISPLAY=$display xdotool type --delay 30 6793
    DISPLAY=$display xdotool key Return
    sleep 0.5
    click "$display" "$w" 73 9    # 접속
    click "$display" "$w" 108 29  # 연결하기
    d=$(wait_window "$display" '^접속')
    if [ "$link" = serial ]; then
        channel=RTU
        click "$display" "$d" 18 49   # Serial Port: the ports are searched
        click "$display" "$d" 210 49  # the port list; the path given on the command line is the last
        DISPLAY=$display xdotool key End Return
        sleep 0.3
    else
        channel=TCP
        click "$display" "$d" 18 21   # TCP/IP (HOST), 127.0.0.1 from --host
    fi
    click "$display" "$d" 169 77  # 접속
    sleep 5
    local start page state r
    start=$(date +%s)
    for state in ${STATES:-filling scrolling}; do
        if [ $state = scrolling ]; then
            # The ten-minute view is full after ten minutes of polling; from then on it scrolls.
            while [ $(($(date +%s) - start)) -lt 615 ]; do sleep 5; done
        fi
        for r in $(seq "$rounds"); do
            for page in info trend; do
                if [ $page = info ]; then click "$display" "$w" 56 64; else click "$display" "$w" 180 64; fi
                sleep 2
                echo "$link $state $r $page $(measure "$console")"
            done
        done
    done >"$run/$link.out"
    if [ "$link" = serial ]; then
        DISPLAY=$display import -window root "$run/serial-trend.png" 2>/dev/null || true
    fi
    echo "$link rss $(awk '/^VmHWM/ {print $2}' /proc/$console/status) $(awk '/^VmRSS/ {print $2}' /proc/$console/status)" >>"$run/$link.out"
    # Where the memory is: resident kB per mapping (a file, [heap], or anonymous by its address range).
    awk '/^[0-9a-f]+-[0-9a-f]+ / { n = $6 == "" ? $1 : $6 } /^Rss:/ { r[n] += $2 }
         END { for (k in r) if (r[k] >= 256) printf "%7d kB %s\n", r[k], k }' /proc/$console/smaps |
        sort -rn >"$run/$link-smaps.txt"
    kill $console $sim $xvfb 2>/dev/null || true
    wait $console $sim $xvfb 2>/dev/null || true
}

# The floor program on the same kind of X server, windows as long as the console's.
floor() {
    local link=$1 dir=$run/floor-$1 display xvfb sim prog channel
    mkdir -p "$dir"
    start_x_and_sim "$dir"
    local target=$dir/ttyV0
    channel=RTU
    [ "$link" = tcp ] && target=tcp:$(sim_port "$dir") channel=TCP
    DISPLAY=$display "$build/bench/bench_qt_floor" $((4 * rounds * seconds + 30)) "$target" >/dev/null 2>&1 &
    prog=$!
    sleep 15
    local r
    for r in $(seq $((2 * rounds))); do
        echo "$link floor $r floor $(measure "$prog")"
    done >"$run/floor-$link.out"
    echo "$link floor-rss $(awk '/^VmHWM/ {print $2}' /proc/$prog/status)" >>"$run/floor-$link.out"
    kill $prog $sim $xvfb 2>/dev/null || true
    wait $prog $sim $xvfb 2>/dev/null || true
}

echo "== $(date -u '+%F %T') $(nproc) cores, load: $(cut -d' ' -f1-3 /proc/loadavg); console $console_bin" \
    "$seconds s windows, $rounds rounds"
# The floor runs beside the console, under the same load, over as many windows as the console's first ones.
for job in "session serial" "session tcp" "floor serial" "floor tcp"; do
    $job &
    pids+=($!)
done
wait "${pids[@]}"
pids=()
echo "== load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
cat "$run"/serial.out "$run"/tcp.out "$run"/floor-serial.out "$run"/floor-tcp.out >"$run/all"
if [ -n "${KEEP:-}" ]; then # the figures, a screenshot of the Trend page and the memory maps, kept
    cp "$run/all" "$KEEP"
    cp "$run/serial-trend.png" "${KEEP%.*}.png" 2>/dev/null || true
    for link in serial tcp; do cp "$run/$link-smaps.txt" "${KEEP%.*}-$link-smaps.txt" 2>/dev/null || true; done
fi
/usr/bin/python3 - "$run/all" <<'PY'
import statistics, sys
rows, rss = {}, {}
for line in open(sys.argv[1]):
    f = line.split()
    if f[1] in ("rss", "floor-rss"):
        rss[(f[0], f[1])] = f[2:]
        continue
    link, state, r, page, polls, c, x, sc, sx = f[0], f[1], int(f[2]), f[3], *map(int, f[4:])
    rows.setdefault((link, state, page), []).append(
        (c / 1e6 / polls, x / 1e6 / polls, (c + x) / 1e6 / polls, sc / polls, sx / polls, polls))
def fmt(v):
    return f"{statistics.median(v):.2f} [{min(v):.2f}..{max(v):.2f}]"
print("link   state      page   polls  console ms/poll      X ms/poll            both ms/poll         wake console/X")
for (link, state, page), v in rows.items():
    print(f"{link:6} {state:10} {page:6} {sum(x[5] for x in v):5}  {fmt([x[0] for x in v]):20} "
          f"{fmt([x[1] for x in v]):20} {fmt([x[2] for x in v]):20} "
          f"{statistics.median([x[3] for x in v]):.2f}/{statistics.median([x[4] for x in v]):.2f}")
print("Trend page shown minus Information, console + X, ms per poll, round by round:")
for (link, state, page), v in rows.items():
    if page != "trend":
        continue
    info = rows[(link, state, "info")]
    d = [t[2] - i[2] for t, i in zip(v, info)]
    print(f"  {link:6} {state:10} " + " ".join(f"{x:+.2f}" for x in d))
for k, v in rss.items():
    print(f"  {k[0]} {k[1]}: peak {int(v[0]) / 1024:.1f} MB" + (f", now {int(v[1]) / 1024:.1f} MB" if len(v) > 1 else ""))
PY
