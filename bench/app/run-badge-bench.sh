#!/usr/bin/env bash
# The selection badge's cost in the real vorn-cite on a private headless desktop with
# the GTK fixture, against the local demo service:
#   - CPU time and main-thread wake-ups (context switches) over 30 s with the
#     selection monitor on and off, the pointer still and the pointer moving
#     continuously (raw motion, as a mouse makes), and for contrast while the user
#     drag-selects twice a second;
#   - gesture-to-badge latency: from the release of a drag selection in the fixture
#     to the badge window being mapped (median, minimum and maximum of 20).
#   bench/app/run-badge-bench.sh [build folder]    (default: build/release, built first)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
seconds=${VORN_BADGE_BENCH_SECONDS:-30}
if [ -z "${VORN_BADGE_BENCH_INSIDE:-}" ]; then
  if [ $# -eq 0 ]; then
    scripts/setup
    scripts/build release >/dev/null
  fi
  cmake --build "$build" --target vorn-cite vorn-cite-service >/dev/null
  export VORN_BADGE_BENCH_INSIDE=1
  exec tests/desktop/run-desktop.sh -- "$0" "$build"
fi

app="$build/platform/linux/application/vorn-cite"
service="$build/tools/vorn-cite-service"
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT

"$service" --ca-out "$work/ca.pem" --request-log "$work/requests.log" >"$work/service.out" &
pids+=($!)
for _ in $(seq 100); do grep -q 'base URL' "$work/service.out" && break; sleep 0.1; done
url=$(sed -n 's/^VORN cite service base URL: //p' "$work/service.out")

probe() { gdbus call --session --dest app.vorn.cite --object-path /app/vorn/cite/testing \
  --method org.freedesktop.DBus.Properties.Get app.vorn.cite.Testing "$1" 2>/dev/null; }
set_badge() { gdbus call --session --dest app.vorn.cite --object-path /app/vorn/cite/testing \
  --method org.freedesktop.DBus.Properties.Set app.vorn.cite.Testing AutomaticSelectionEnabled "<$1>" >/dev/null; }
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# The main thread's context switches: the input monitor and every window live there
# (pool threads that end would make a sum over all threads go backwards).
switches() { awk '/ctxt_switches/ {s += $2} END {print s}' "/proc/$1/status"; }
now() { date +%s.%N; }

VORN_CITE_TESTING=1 "$app" --demo "$url" --ca-certificates "$work/ca.pem" >"$work/app.log" 2>&1 &
app_pid=$!
pids+=($app_pid)
until probe SelectionMonitorEnabled | grep -q true; do sleep 0.05; done
sleep 2

gtk=$(xdotool search --onlyvisible --pid "$VORN_GTK_FIXTURE_PID" --name VORN | head -n1)
xdotool windowactivate --sync "$gtk"
eval "$(xdotool getwindowgeometry --shell "$gtk")"
xdotool mousemove $((X + 300)) $((Y + 150))
hz=$(getconf CLK_TCK)

measure() { # label, pointer (still|moving)
  local mover="" t0 s0
  if [ "$2" = moving ]; then
    (while true; do xdotool mousemove_relative 3 0 mousemove_relative -- -3 0; done) >/dev/null 2>&1 &
    mover=$!
  elif [ "$2" = selecting ]; then
    # For contrast: drag selections in the fixture back to back, one every 0.5 s.
    (while true; do
      xdotool mousemove $((X + 16)) $((Y + 22)) mousedown 1
      for _ in 1 2 3 4 5; do xdotool mousemove_relative 25 0; done
      xdotool mouseup 1
      sleep 0.4
    done) >/dev/null 2>&1 &
    mover=$!
  fi
  sleep 1
  t0=$(ticks "$app_pid")
  s0=$(switches "$app_pid")
  sleep "$seconds"
  local t1 s1
  t1=$(ticks "$app_pid")
  s1=$(switches "$app_pid")
  if [ -n "$mover" ]; then
    kill "$mover"
    wait "$mover" 2>/dev/null || true
    xdotool mouseup 1 key shift
  fi
  printf '%-30s CPU %6.0f ms   wake-ups %6d\n' "$1, pointer $2:" \
    "$(echo "($t1 - $t0) * 1000 / $hz" | bc -l)" "$((s1 - s0))"
}

echo "== idle cost over ${seconds} s =="
set_badge true
measure "monitor on" still
measure "monitor on" moving
measure "monitor on" selecting
set_badge false
until probe SelectionMonitorEnabled | grep -q false; do sleep 0.05; done
measure "monitor off" still
measure "monitor off" moving
measure "monitor off" selecting
set_badge true
until probe SelectionMonitorEnabled | grep -q true; do sleep 0.05; done

echo "== gesture to badge (drag selection in the GTK fixture) =="
badge_shown() { xdotool search --onlyvisible --name '^Find citations for selected text$' >/dev/null 2>&1; }
times=()
for i in $(seq 20); do
  xdotool windowactivate --sync "$gtk"
  xdotool mousemove $((X + 16)) $((Y + 22)) mousedown 1
  sleep 0.1
  for _ in 1 2 3 4 5 6; do xdotool mousemove_relative 25 0; sleep 0.02; done
  t0=$(now)
  xdotool mouseup 1
  until badge_shown; do sleep 0.002; done
  times+=("$(echo "($(now) - $t0) * 1000" | bc -l)")
  xdotool key shift
  while badge_shown; do sleep 0.01; done
  sleep 0.3
done
printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "latency ms: median %.0f  min %.0f  max %.0f  (n=%d)\n", a[int((NR+1)/2)], a[1], a[NR], NR}'
