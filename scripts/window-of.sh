# Sourced by the scripts that drive a program on a (virtual) X display.
# window_of PID: waits up to ten seconds for the process's visible window and prints its id;
# prints nothing when the process ends first or shows no window in time.
window_of() {
  local pid=$1 window=""
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2> /dev/null || break
    window=$(xdotool search --onlyvisible --pid "$pid" 2> /dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  echo "$window"
}
