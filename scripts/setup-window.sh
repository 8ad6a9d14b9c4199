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
