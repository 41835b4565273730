#!/usr/bin/env bash
# Runs one command inside a private headless desktop and always tears it down.
#
#   tests/desktop/run-desktop.sh [--no-fixtures] [--keyring] [--] command [args...]
#
# Starts Xvfb on a free display, the openbox window manager, a private session
# bus, the accessibility bus (enabled through org.a11y.Status), then the GTK 3 and
# Qt fixture applications, and runs the command with DISPLAY and
# DBUS_SESSION_BUS_ADDRESS pointing at them. The fixtures' process ids are passed
# on as VORN_GTK_FIXTURE_PID and VORN_QT_FIXTURE_PID. The command's exit status is
# the script's. Whatever the script started is stopped on exit, also on failure or
# interruption; HOME and the XDG folders point into a temporary folder. With
# --keyring, a throwaway unlocked GNOME Keyring serves the Secret Service on that bus.
#
# VORN_QT_FIXTURE names the Qt fixture executable (CTest sets it); without it only
# the GTK fixture runs.
set -euo pipefail

# Become a child subreaper first, so that processes whose parent dies (the
# accessibility bus launcher and its children) are handed to this script, which
# stops and reaps them, instead of to init.
if [ -z "${VORN_DESKTOP_SUBREAPER:-}" ]; then
  export VORN_DESKTOP_SUBREAPER=1
  exec /usr/bin/python3 -c 'import ctypes, os, sys
ctypes.CDLL(None).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER
os.execv(sys.argv[1], sys.argv[1:])' "$(command -v bash)" "$0" "$@"
fi
unset VORN_DESKTOP_SUBREAPER

here=$(cd "$(dirname "$0")" && pwd)
with_fixtures=1
with_keyring=0
while [ $# -gt 0 ]; do
  case "$1" in
    --no-fixtures) with_fixtures=0; shift ;;
    --keyring) with_keyring=1; shift ;;
    --) shift; break ;;
    *) break ;;
  esac
done
if [ $# -eq 0 ]; then
  echo "usage: $0 [--no-fixtures] [--keyring] [--] command [args...]" >&2
  exit 2
fi

for tool in Xvfb openbox dbus-daemon gdbus xdotool xprop; do
  command -v "$tool" >/dev/null || { echo "run-desktop: $tool is missing; run scripts/setup" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vorn-desktop.XXXXXX")
started=()

log() { echo "run-desktop: $*" >&2; }

# Every process started here, and everything the session bus activates, carries
# this marker in its environment, so that teardown finds them by process id.
export VORN_DESKTOP_RUN="$work"

. "$(dirname "$0")/../support/processes.sh"

teardown() {
  local status=$?
  trap - EXIT INT TERM
  local i pid
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do
    stop_pid "${started[$i]}"
  done
  # Processes that the buses activated (accessibility bus launcher, registry, ...).
  for pid in $(marked_pids VORN_DESKTOP_RUN "$work"); do
    stop_pid "$pid"
  done
  wait 2>/dev/null || true
  rm -rf "$work"
  exit "$status"
}
trap teardown EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

wait_for() { # seconds, description, command...
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@" >/dev/null 2>&1; do
    if [ $SECONDS -ge $deadline ]; then
      log "timed out waiting for $what"
      return 1
    fi
    sleep 0.1
  done
}

mkdir -p "$work/home" "$work/runtime" "$work/config" "$work/data" "$work/cache"
chmod 700 "$work/runtime"
export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" \
  XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache"
unset WAYLAND_DISPLAY SESSION_MANAGER
export GDK_BACKEND=x11 QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=0 GTK_A11Y=atspi

# X server on a display number it chooses itself.
Xvfb -displayfd 5 -screen 0 1280x800x24 -nolisten tcp -noreset \
  5>"$work/display" 2>"$work/xvfb.log" &
started+=($!)
wait_for 20 "Xvfb" grep -q '[0-9]' "$work/display" || { cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

# A private session bus; the accessibility bus launcher is activated through it.
dbus-daemon --session --nofork --nopidfile --print-address=6 6>"$work/bus" 2>"$work/dbus.log" &
started+=($!)
wait_for 20 "the session bus" grep -q 'unix:' "$work/bus" || { cat "$work/dbus.log" >&2; exit 1; }
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")

if [ $with_keyring -eq 1 ]; then
  # It forks into the background; teardown finds it by the marker in its environment.
  printf throwaway | gnome-keyring-daemon --unlock --components=secrets >"$work/keyring.log" 2>&1
  wait_for 20 "the keyring" sh -c 'dbus-send --session --print-reply --dest=org.freedesktop.DBus \
    /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets | grep -q "boolean true"'
fi

openbox --sm-disable >"$work/openbox.log" 2>&1 &
started+=($!)
wait_for 20 "the window manager" sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
  --method org.freedesktop.DBus.Properties.Set org.a11y.Status IsEnabled "<true>" >/dev/null
wait_for 20 "the accessibility bus" \
  gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus --method org.a11y.Bus.GetAddress

window_of() { xdotool search --all --onlyvisible --pid "$1" --name 'VORN' | head -n1 | grep -q '[0-9]'; }

if [ $with_fixtures -eq 1 ]; then
  /usr/bin/python3 "$here/fixtures/gtk_fixture.py" >"$work/gtk.log" 2>&1 &
  started+=($!)
  export VORN_GTK_FIXTURE_PID=$!
  wait_for 30 "the GTK fixture" window_of "$VORN_GTK_FIXTURE_PID" || { cat "$work/gtk.log" >&2; exit 1; }
  if [ -n "${VORN_QT_FIXTURE:-}" ]; then
    "$VORN_QT_FIXTURE" >"$work/qt.log" 2>&1 &
    started+=($!)
    export VORN_QT_FIXTURE_PID=$!
    wait_for 30 "the Qt fixture" window_of "$VORN_QT_FIXTURE_PID" || { cat "$work/qt.log" >&2; exit 1; }
  fi
fi

set +e
"$@"
status=$?
set -e
exit $status
