#!/usr/bin/env bash
# Request intervals of a console build (window hidden) against zephyra-sim, serial then TCP, from the
# simulator journal: the wire cadence, to compare two builds (e.g. one of an older commit) side by side.
# Usage: bench/request_intervals.sh CONSOLE_BUILD_DIR [SIM_BUILD_DIR] [SECONDS]
set -euo pipefail
build=$1 simb=${2:-$1} secs=${3:-20}
run=$(mktemp -d)
"$simb/sim/zephyra-sim" --link "$run/ttyV0" --tcp-port 0 --journal "$run/journal" >"$run/ready" 2>"$run/sim.err" &
sim=$!
trap 'kill $sim 2>/dev/null; rm -rf $run' EXIT
for _ in $(seq 100); do grep -q ready "$run/ready" 2>/dev/null && break; sleep 0.1; done
port=$(sed -n 's/.*tcp=127\.0\.0\.1:\([0-9]*\).*/\1/p' "$run/ready")
for link in serial tcp; do
  if [ $link = serial ]; then t=$run/ttyV0 ch=RTU; else t=tcp:$port ch=TCP; fi
  n0=$(wc -l < "$run/journal")
  ZEPHYRA_BENCH_HIDDEN=1 QT_QPA_PLATFORM=offscreen "$build/bench/bench_console_process" --poll "$secs" "$t" >/dev/null 2>&1 || true
  tail -n +$((n0+1)) "$run/journal" | awk -v ch=$ch '$2==ch && $3=="RX" {print $1}' > "$run/$link.t"
  awk -v l=$link 'NR==1{f=$1} NR>1{d=$1-p; n++; s+=d; if(n==1||d<mn)mn=d; if(d>mx)mx=d; a[n]=d} {p=$1}
    END{ m=s/n; for(i=1;i<=n;i++) v+=(a[i]-m)^2; printf "%s: %d requests, interval mean %.1f ms, min %d, max %d, sd %.1f\n", l, n+1, m, mn, mx, sqrt(v/n)}' "$run/$link.t"
done
