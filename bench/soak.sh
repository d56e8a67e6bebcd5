#!/usr/bin/env bash
# A soak run: the console (its windows on Xvfb, a scripted operator: bench_console_process, as
# console_process.sh runs it) polling zephyra-sim over the serial pseudo-terminal, and zephyra-cli metrics
# polling the same simulator over TCP, for HOURS, while the simulator goes through a fault schedule:
#
#   normal   replies after 5 ms
#   slow     replies after 0.4..1.0 s
#   drops    every 7th reply not sent
#   crc      every 11th serial reply with a bad CRC
#   silence  the simulator stopped (SIGSTOP) for 60 s in the middle of the phase
#   takeover another TCP client (zephyra-cli status) connects every 60 s: the simulator serves one TCP
#            client, so the metrics poller's connection is pushed off each time
#
# Each phase (PHASE_S seconds, default 300) runs a fresh simulator on the same pty link and TCP port, so
# every phase change is also a pty loss for the console and a closed connection for zephyra-cli.
#
# Every SAMPLE_S seconds (default 60) one line goes to samples.csv: RSS and open descriptors of the
# console, zephyra-cli and the simulator, the console's link counters and zephyra-cli's scraped totals.
# At the end summary.txt holds: RSS start/end and slope (least squares over the samples after the first
# 10 minutes), descriptors start/end, the console's requests/replies against the simulator's journal (RTU),
# zephyra-cli's against the journal (TCP), and trend-CSV lines against decodes.
#
# Usage: bench/soak.sh HOURS [OUT_DIR]
#   OUT_DIR defaults to /work/soak-results/soak-YYYYmmdd-HHMMSS. The binaries are copied there first
#   (from BUILD_DIR, default build/), so rebuilding the tree does not disturb a run. To run it detached:
#     setsid nohup bench/soak.sh 1.2 </dev/null >/dev/null 2>&1 &
# Cheap on purpose: the console and zephyra-cli poll at their own pace; the harness wakes once a sample.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
hours=${1:?usage: bench/soak.sh HOURS [OUT_DIR]}
out=${2:-/work/soak-results/soak-$(date +%Y%m%d-%H%M%S)}
build=${BUILD_DIR:-$root/build}
phase_s=${PHASE_S:-300}
sample_s=${SAMPLE_S:-60}
total_s=$(awk -v h="$hours" 'BEGIN {printf "%d", h * 3600}')

mkdir -p "$out/bin" "$out/files" "$out/journal"
log() { echo "$(date '+%F %T') $*" >>"$out/soak.log"; }
for b in sim/zephyra-sim src/cli/zephyra-cli bench/bench_console_process; do
    cp "$build/$b" "$out/bin/" || { log "missing $build/$b"; exit 1; }
done
bin=$out/bin
link=$out/ttySOAK
echo "running; summary at $out/summary.txt when done (about $(date -d "+$total_s sec" '+%F %T'))" \
    >"$out/STATUS"
log "soak start: $hours h ($total_s s), phases of $phase_s s, samples every $sample_s s, from $build"
git -C "$root" log -1 --format='commit %H %s' >>"$out/soak.log" 2>/dev/null

pids=()
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && { kill -CONT "$sim_pid" 2>/dev/null; kill "$sim_pid" 2>/dev/null; }
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
}
trap cleanup EXIT

scenario() {
    local faults
    case $1 in
    slow) faults='"latency_ms": 400, "jitter_ms": 600' ;;
    drops) faults='"latency_ms": 5, "drop_every": 7' ;;
    crc) faults='"latency_ms": 5, "corrupt_crc_every": 11' ;;
    *) faults='"latency_ms": 5' ;;
    esac
    printf '{"steady": false, "clock_running": true, "faults": {%s, "seed": %d}}\n' "$faults" "$2"
}

tcp_port=0
phase_no=0
start_sim() { # NAME
    phase_no=$((phase_no + 1))
    local j; j=$(printf '%s/journal/%03d-%s.log' "$out" "$phase_no" "$1")
    scenario "$1" "$phase_no" >"$out/scenario.json"
    : >"$out/ready"
    "$bin/zephyra-sim" --scenario "$out/scenario.json" --link "$link" --tcp-port "$tcp_port" \
        --max-clients 1 --journal "$j" >"$out/ready" 2>>"$out/sim.err" &
    sim_pid=$!
    for _ in $(seq 100); do grep -q ready "$out/ready" 2>/dev/null && break; sleep 0.1; done
    tcp_port=$(sed -n 's/.*tcp=127\.0\.0\.1:\([0-9]*\).*/\1/p' "$out/ready")
    log "phase $phase_no $1: sim pid $sim_pid tcp $tcp_port journal $j"
}
stop_sim() {
    [ -z "$sim_pid" ] && return
    kill -CONT "$sim_pid" 2>/dev/null
    kill "$sim_pid" 2>/dev/null
    wait "$sim_pid" 2>/dev/null
    sim_pid=""
}

phases=(normal slow drops crc silence takeover)
start_sim normal
[ -n "$tcp_port" ] || { log "zephyra-sim did not start: $(cat "$out/sim.err")"; exit 1; }

# The console on Xvfb, for the whole run (it quits by itself at the end); its pid for /proc.
console_s=$((total_s + 30))
xvfb-run -a -s "-screen 0 1280x800x24" sh -c 'echo $$ >"$0/console.pid"; exec "$@"' "$out" \
    "$bin/bench_console_process" --files-dir "$out/files" --settings "$out/files/settings.ini" \
    --trend-record --report "$out/console-counters.log" --report-every "$sample_s" \
    --poll "$console_s" "$link" >"$out/console.out" 2>"$out/console.err" &
pids+=($!)
"$bin/zephyra-cli" metrics --listen 127.0.0.1:0 --interval 1 "tcp:127.0.0.1:$tcp_port" \
    >"$out/cli.out" 2>"$out/cli.err" &
cli_pid=$!
pids+=($cli_pid)
for _ in $(seq 100); do grep -q serving "$out/cli.err" 2>/dev/null && break; sleep 0.1; done
metrics_port=$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\)\/metrics.*/\1/p' "$out/cli.err" | head -1)
for _ in $(seq 100); do [ -s "$out/console.pid" ] && break; sleep 0.1; done
console_pid=$(cat "$out/console.pid" 2>/dev/null)
log "console pid $console_pid, zephyra-cli pid $cli_pid (metrics port $metrics_port)"

rss() { awk '/^VmRSS/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }
fds() { ls "/proc/$1/fd" 2>/dev/null | wc -l; }
scrape() { # the sums of zephyra-cli's request/reply/time-out totals
    local page
    page=$(exec 3<>"/dev/tcp/127.0.0.1/$metrics_port" && printf 'GET /metrics HTTP/1.0\r\n\r\n' >&3 &&
        timeout 5 cat <&3) 2>/dev/null
    awk '/^zephyra_requests_total/ {r += $2} /^zephyra_replies_total/ {p += $2}
         /^zephyra_timeouts_total/ {t += $2} /^zephyra_up/ {u = $2}
         END {printf "%d,%d,%d,%d", r, p, t, u}' <<<"$page"
}
echo "t_s,phase,console_rss_kb,console_fds,cli_rss_kb,cli_fds,sim_rss_kb,sim_fds,cli_requests,cli_replies,cli_timeouts,cli_up,console_counters" \
    >"$out/samples.csv"
sample() {
    local c
    c=$(tail -1 "$out/console-counters.log" 2>/dev/null | tr ' ' ';')
    echo "$(($(date +%s) - t0)),$1,$(rss "$console_pid"),$(fds "$console_pid"),$(rss "$cli_pid"),$(fds "$cli_pid"),$(rss "$sim_pid"),$(fds "$sim_pid"),$(scrape),$c" \
        >>"$out/samples.csv"
}

t0=$(date +%s)
next_sample=$t0
p=0
while :; do
    now=$(date +%s)
    [ $((now - t0)) -ge "$total_s" ] && break
    name=${phases[$((p % ${#phases[@]}))]}
    if [ "$p" -gt 0 ]; then
        stop_sim
        start_sim "$name"
    fi
    phase_end=$((now + phase_s))
    [ $((phase_end - t0)) -gt "$total_s" ] && phase_end=$((t0 + total_s))
    silenced=0
    while [ "$(date +%s)" -lt "$phase_end" ]; do
        now=$(date +%s)
        if [ "$name" = silence ] && [ "$silenced" = 0 ] && [ $((phase_end - now)) -le $((phase_s / 2)) ]; then
            log "silence: SIGSTOP sim for 60 s"
            kill -STOP "$sim_pid"
            sleep 60
            kill -CONT "$sim_pid"
            silenced=1
            log "silence over"
        fi
        if [ "$name" = takeover ] && [ $(((now - t0) % 60)) -lt 10 ]; then
            "$bin/zephyra-cli" --tcp "127.0.0.1:$tcp_port" --timeout 3 status >/dev/null 2>>"$out/takeover.err"
            log "takeover: another client read the status"
        fi
        if [ "$now" -ge "$next_sample" ]; then
            sample "$name"
            next_sample=$((next_sample + sample_s))
        fi
        sleep 10
    done
    p=$((p + 1))
done
sample end
log "schedule over; waiting for the console to quit"
# The console quits by itself 30 s after the schedule; give zephyra-cli the same time, then end it.
for _ in $(seq 90); do kill -0 "$console_pid" 2>/dev/null || break; sleep 1; done
scraped=$(scrape)
kill "$cli_pid" 2>/dev/null
wait "$cli_pid" 2>/dev/null
stop_sim
wait 2>/dev/null

# --- summary ---
{
    echo "soak: $hours h, $(date -d "@$t0" '+%F %T') .. $(date '+%F %T'), phases of $phase_s s: ${phases[*]} (repeating)"
    echo "binaries built from: $(sed -n 's/^commit \([0-9a-f]*\).*/\1/p' "$out/soak.log" | head -1)"
    echo
    echo "== resident memory (kB) and open descriptors, from samples.csv"
    awk -F, 'NR > 1 && $3 > 0 {
            n++; t[n] = $1; c[n] = $3; cf[n] = $4; l[n] = $5; lf[n] = $6
        }
        function slope(v, from,   i, k, sx, sy, sxx, sxy, m) {
            k = 0; sx = sy = sxx = sxy = 0
            for (i = 1; i <= n; i++) if (t[i] >= from) { k++; sx += t[i]; sy += v[i]; sxx += t[i] * t[i]; sxy += t[i] * v[i] }
            if (k < 3) return "n/a"
            m = (k * sxy - sx * sy) / (k * sxx - sx * sx)
            return sprintf("%.1f kB/h over %d samples", m * 3600, k)
        }
        END {
            if (n == 0) { print "no samples"; exit }
            printf "console:     RSS start %d, end %d, slope after 10 min %s; descriptors start %d, end %d, max %d\n", c[1], c[n], slope(c, 600), cf[1], cf[n], maxv(cf)
            printf "zephyra-cli: RSS start %d, end %d, slope after 10 min %s; descriptors start %d, end %d, max %d\n", l[1], l[n], slope(l, 600), lf[1], lf[n], maxv(lf)
        }
        function maxv(v,   i, m) { m = 0; for (i = 1; i <= n; i++) if (v[i] > m) m = v[i]; return m }' "$out/samples.csv"
    echo
    echo "== console (serial) counters against the simulator's journal (RTU lines, all phases)"
    last=$(tail -1 "$out/console-counters.log" 2>/dev/null)
    echo "console at its end: ${last#* }"
    cat "$out"/journal/*.log 2>/dev/null | awk '
        $2 == "RTU" && $3 == "RX" {rx++} $2 == "RTU" && $3 == "TX" {tx++} $2 == "RTU" && $3 == "DROP" {drop++}
        $2 == "RTU" && $3 == "NOTE" && /CRC corrupted/ {crc++}
        $2 == "TCP" && $3 == "RX" {trx++} $2 == "TCP" && $3 == "TX" {ttx++} $2 == "TCP" && $3 == "DROP" {tdrop++}
        END {
            printf "journal RTU: requests received %d, replies sent %d (of them %d with a bad CRC on purpose), replies dropped on purpose %d\n", rx, tx, crc, drop
            printf "journal TCP: requests received %d, replies sent %d, replies dropped on purpose %d\n", trx, ttx, tdrop
            printf "RTU_RX=%d RTU_TX=%d RTU_CRC=%d TCP_RX=%d TCP_TX=%d\n", rx, tx, crc, trx, ttx > "/dev/stderr"
        }' 2>"$out/journal-totals"
    . <(sed 's/ /\n/g' "$out/journal-totals")
    val() { sed -n "s/.* $1=\([0-9]*\).*/\1/p" <<<" $last"; }
    echo "agreement: console replies $(val replies) + CRC errors $(val crc_errors) + frames dropped $(val dropped)" \
        "vs journal RTU replies sent $RTU_TX (difference $(($(val replies) + $(val crc_errors) + $(val dropped) - RTU_TX)))"
    echo "agreement: console requests $(val requests) vs journal RTU requests received $RTU_RX" \
        "(difference $(($(val requests) - RTU_RX)))"
    echo
    echo "== zephyra-cli metrics (TCP) against the journal"
    IFS=, read -r creq crep cto cup <<<"$scraped"
    echo "zephyra-cli at its end: requests $creq, replies $crep, time-outs $cto, up $cup"
    echo "agreement: zephyra-cli replies $crep vs journal TCP replies sent $TCP_TX (difference $((crep - TCP_TX)));" \
        "requests $creq vs journal TCP requests received $TCP_RX (difference $((creq - TCP_RX)));" \
        "the takeover reads add $(grep -c 'takeover:' "$out/soak.log") requests of their own"
    echo
    echo "== trend recording against decodes"
    csv_lines=$(find "$out/files" -name 'trend-*.csv' -exec cat {} + 2>/dev/null | grep -vc '^[^0-9]')
    echo "trend CSV data lines $csv_lines, console decodes $(val decodes) (difference $((csv_lines - $(val decodes))))"
    echo
    echo "console's own end line: $(tail -1 "$out/console.out" 2>/dev/null)"
} >"$out/summary.txt" 2>&1
echo "done: $out/summary.txt" >"$out/STATUS"
log "summary written"
