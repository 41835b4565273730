#!/usr/bin/env bash
# vorn-cite against a bare Qt tray program (the floor), side by side in one run on a
# private headless desktop with a tray host (trayer):
#   - start to tray-ready wall time (median of 5 starts each),
#   - resident memory after start, and for vorn-cite after 20 queries against the
#     local demo service,
#   - idle wake-ups (context switches of all threads) over 10 s.
#   bench/app/run-app-bench.sh [build folder]    (default: build/release, built first)
# VORN_APP_BENCH_BASELINE=path/to/an/older/vorn-cite adds it as a third column, measured
# in the same run (before/after figures of a change).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
if [ -z "${VORN_APP_BENCH_INSIDE:-}" ]; then
  if [ $# -eq 0 ]; then
    scripts/setup
    scripts/build release >/dev/null
  fi
  cmake --build "$build" --target vorn-cite vorn-cite-service bench_tray_floor >/dev/null
  export VORN_APP_BENCH_INSIDE=1
  exec tests/desktop/run-desktop.sh --no-fixtures -- "$0" "$build"
fi

app="$build/platform/linux/application/vorn-cite"
floor="$build/bench/app/bench_tray_floor"
service="$build/tools/vorn-cite-service"
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT

trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
pids+=($!)
"$service" --ca-out "$work/ca.pem" --request-log "$work/requests.log" >"$work/service.out" &
pids+=($!)
for _ in $(seq 100); do grep -q 'base URL' "$work/service.out" && break; sleep 0.1; done
url=$(sed -n 's/^VORN cite service base URL: //p' "$work/service.out")
sleep 1

now() { date +%s.%N; }
owned() { gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
  --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true; }
app_ready() { gdbus call --session --dest app.vorn.cite --object-path /app/vorn/cite/testing \
  --method org.freedesktop.DBus.Properties.Get app.vorn.cite.Testing Started 2>/dev/null | grep -q true; }
rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
switches() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/ctxt_switches/ {s += $2} END {print s}'; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

baseline=${VORN_APP_BENCH_BASELINE:-}
start_app() { VORN_CITE_TESTING=1 "${2:-$app}" --demo "$url" --ca-certificates "$work/ca.pem" >/dev/null 2>&1 & echo $!; }
start_floor() { "$floor" >/dev/null 2>&1 & echo $!; }

measure_start() { # kind -> prints "seconds pid"
  local t0 pid
  t0=$(now)
  if [ "$1" = app ] || [ "$1" = base ]; then
    if [ "$1" = base ]; then pid=$(start_app x "$baseline"); else pid=$(start_app); fi
    until app_ready; do sleep 0.005; done
  else
    pid=$(start_floor)
    until owned app.vorn.cite.BenchFloor; do sleep 0.005; done
  fi
  echo "$(echo "$(now) - $t0" | bc) $pid"
}

stop() { kill -TERM "$1"; while kill -0 "$1" 2>/dev/null; do sleep 0.05; done; }

kinds=(floor app)
[ -n "$baseline" ] && kinds=(floor base app)
declare -A start_times
for kind in "${kinds[@]}"; do
  times=()
  for _ in 1 2 3 4 5; do
    read -r seconds pid < <(measure_start "$kind")
    times+=("$seconds")
    stop "$pid"
  done
  start_times[$kind]=$(printf '%s\n' "${times[@]}" | median)
done

read -r _ floor_pid < <(measure_start floor)
pids+=("$floor_pid")
read -r _ app_pid < <(measure_start app)
pids+=("$app_pid")
sleep 1
floor_rss=$(rss_kb "$floor_pid")
app_rss=$(rss_kb "$app_pid")

floor_s0=$(switches "$floor_pid"); app_s0=$(switches "$app_pid")
sleep 10
floor_idle=$(( $(switches "$floor_pid") - floor_s0 )); app_idle=$(( $(switches "$app_pid") - app_s0 ))

for i in $(seq 20); do
  gdbus call --session --dest app.vorn.cite --object-path /app/vorn/cite --method app.vorn.cite.FindCitations \
    "Aspirin reduces fever in adults, sentence $i of the benchmark." >/dev/null
  until [ "$(wc -l < "$work/requests.log")" -ge "$i" ]; do sleep 0.02; done
done
sleep 1
app_rss_after=$(rss_kb "$app_pid")

printf '%-34s %12s %12s %8s\n' "" "floor" "vorn-cite" "ratio"
printf '%-34s %12.3f %12.3f %8.2f\n' "start to tray-ready, s (median)" "${start_times[floor]}" "${start_times[app]}" \
  "$(echo "${start_times[app]} / ${start_times[floor]}" | bc -l)"
printf '%-34s %12d %12d %8.2f\n' "resident after start, KiB" "$floor_rss" "$app_rss" "$(echo "$app_rss / $floor_rss" | bc -l)"
printf '%-34s %12s %12d\n' "resident after 20 queries, KiB" "-" "$app_rss_after"
printf '%-34s %12d %12d\n' "idle wake-ups over 10 s" "$floor_idle" "$app_idle"
if [ -n "$baseline" ]; then
  stop "$app_pid"
  read -r _ base_pid < <(measure_start base)
  pids+=("$base_pid")
  sleep 1
  base_rss=$(rss_kb "$base_pid")
  base_s0=$(switches "$base_pid")
  sleep 10
  base_idle=$(( $(switches "$base_pid") - base_s0 ))
  printf '%-34s %12s %12.3f %8.2f\n' "baseline start to tray-ready, s" "" "${start_times[base]}" \
    "$(echo "${start_times[base]} / ${start_times[floor]}" | bc -l)"
  printf '%-34s %12s %12d %8.2f\n' "baseline resident after start, KiB" "" "$base_rss" "$(echo "$base_rss / $floor_rss" | bc -l)"
  printf '%-34s %12s %12d\n' "baseline idle wake-ups over 10 s" "" "$base_idle"
fi
