# Shell functions for test launchers: processes are stopped by process id, found
# through a marker variable that every process started by a launcher (and everything a
# bus it started activates) inherits. Source this file; set MARK_VALUE first.

# True while pid runs (a zombie has ended).
running() {
  local state
  state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

stop_pid() {
  local pid=$1
  running "$pid" || return 0
  kill -CONT "$pid" 2>/dev/null || true
  kill -TERM "$pid" 2>/dev/null || return 0
  for _ in $(seq 1 30); do
    running "$pid" || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}

# The process ids whose environment holds NAME=VALUE (arguments: NAME VALUE).
marked_pids() {
  local dir pid
  for dir in /proc/[0-9]*; do
    pid=${dir#/proc/}
    { [ "$pid" = "$$" ] || [ "$pid" = "$BASHPID" ]; } && continue
    if tr '\0' '\n' 2>/dev/null <"$dir/environ" | grep -qxF "$1=$2"; then
      echo "$pid"
    fi
  done
}
