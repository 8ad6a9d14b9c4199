# Sourced by the scripts that drive Setup on an X display (the run script and the end-to-end
# tests): starting it and finding its window, and leaving it the way a player does.

# Runs a command on a virtual X server of its own. The search for a free display number starts at
# a random one, so that runs starting at the same moment on one machine do not pick the same
# number; the server does not reset when its last client leaves, which Setup does for a moment
# when it restarts its video for the window.
on_virtual_display() {
  xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1024x768x24 -noreset" "$@"
}

# True when Setup.log of the current folder says the X server could not be reached: a virtual
# server that was not ready in time (or lost a race for its display number) is the machine's
# problem, not Setup's, and the run is worth another try.
x_server_unreachable() {
  grep -qE "Couldn't open X11 display|No available video device" Setup.log 2> /dev/null
}

# e2e_folders BUILD_DIR NAME: for an end-to-end test, sets build (the build folder), shots (an
# empty BUILD_DIR/e2e/NAME for what the run keeps) and work (a scratch folder, removed on exit)
# holding a copy of the demo game folder without an old Setup.log.
e2e_folders() {
  build=$(cd "$1" && pwd)
  shots=$build/e2e/$2
  rm -rf "$shots"
  mkdir -p "$shots"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  cp -r "$build/demo/." "$work/"
  rm -f "$work/Setup.log"
}

# e2e_verdict NAME STATUS: ends an end-to-end test: passed, or FAILED followed by Setup.log of the
# scratch folder.
e2e_verdict() {
  if [ "$2" -eq 0 ]; then echo "$1: passed (screenshots in $shots)"; exit 0; fi
  echo "$1: FAILED"
  iconv -f WINDOWS-1252 -t UTF-8 "$work/Setup.log" 2> /dev/null
  exit 1
}

# on_virtual_display_with_retries WORK COMMAND...: runs the command on a virtual X server; when
# Setup.log in WORK then says the server could not be reached, tries again (three times at most).
# The command's exit status.
on_virtual_display_with_retries() {
  local work=$1 status=1 attempt; shift
  for attempt in 1 2 3; do
    on_virtual_display "$@"
    status=$?
    (cd "$work" && x_server_unreachable) || break
    echo "$(basename "$0" .sh): the virtual display was not ready (attempt $attempt)"
    sleep 2
  done
  return $status
}

source "$(dirname "${BASH_SOURCE[0]}")/window-of.sh"

# Starts ./Setup of the current folder (its output into setup.stdout) and waits for its window.
# Sets setup_pid, and setup_window (empty when Setup ended first or no window appeared).
start_setup_and_find_window() {
  ./Setup > setup.stdout 2>&1 &
  setup_pid=$!
  setup_window=$(window_of "$setup_pid")
}

# Moves the pointer into the window (keyboard focus follows it without a window manager) and
# holds Escape long enough for input sampled 20 times a second. Then waits up to 5 s for Setup
# to end and stops it if it does not. Sets setup_status to its exit code; returns 1 when it had
# to be stopped.
leave_setup_with_escape() {
  local X Y WIDTH HEIGHT SCREEN WINDOW geometry left=0
  # The window may be gone already: Setup can end on its own.
  if [ -n "$setup_window" ] && geometry=$(xdotool getwindowgeometry --shell "$setup_window" 2> /dev/null); then
    eval "$geometry"
    xdotool mousemove $((X + 60)) $((Y + 300))
    sleep 0.3
    xdotool keydown Escape
    sleep 0.2
    xdotool keyup Escape
  fi
  for _ in $(seq 1 50); do kill -0 "$setup_pid" 2> /dev/null || break; sleep 0.1; done
  if kill -0 "$setup_pid" 2> /dev/null; then
    echo "Setup did not leave after Escape; stopping it."
    kill "$setup_pid"
    left=1
  fi
  setup_status=0
  wait "$setup_pid" || setup_status=$?
  return $left
}

# click X Y: a left click at X, Y of the window whose corner is at $X, $Y, held long enough for
# input sampled 20 times a second.
click() {
  xdotool mousemove $((X + $1)) $((Y + $2))
  sleep 0.2
  xdotool mousedown 1
  sleep 0.2
  xdotool mouseup 1
  sleep 0.6
}
