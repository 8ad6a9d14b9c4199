# Sourced by the end-to-end tests of the demo game (tests/e2e/demo_game.sh, gl_backend.sh): they
# write its configuration document, start it on a virtual X display, drive it there and read what
# it left behind. Each test brings its own drive script; this file holds what they share.
#   Before sourcing: `build`, the build folder.

source "$(dirname "${BASH_SOURCE[0]}")/window-of.sh"
demo_window_of=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/window-of.sh
demo_failures=0

# demo_enter TEST: a fresh working folder, removed at exit, as the current directory, with the
# game and its package in it; false (with the reason) when the build did not make them.
demo_enter() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  cd "$work" || return 1
  for file in demo-game demo.dpf; do
    [ -f "$build/demo/$file" ] || { echo "$1: FAILED ($build/demo/$file is missing)"; return 1; }
    cp "$build/demo/$file" .
  done
}

# demo_config RENDERER WINDOW DEPTH WIDTH HEIGHT [ACCELERATION]: the document as Setup saves it.
demo_config() {
  cat > config.xml <<XML
<?xml version="1.0" encoding="UTF-8" standalone="yes" ?>
<setup>
    <general mtfriendly="3">General information</general>
    <video renderer="$1" resolutionx="$4" resolutiony="$5" colordepth="$3" window="$2" accel="${6:-1}" />
    <audio enable="1" format="16" frequency="22050" mode="2" musicvol="200" soundvol="90" buffer="2048" />
</setup>
XML
}

# demo_run TEST NAME DRIVE [GAME OPTIONS]: one start of the game, driven by the script DRIVE
# inside the virtual display. A display that is not ready in time is the test machine's problem,
# not the game's: such a start is tried again. DRIVE starts the game with "$@", records its
# window's size in window-size and calls demo_leave.
demo_run() {
  local test=$1 name=$2 drive=$3; shift 3
  for attempt in 1 2 3 4 5; do
    rm -f exit-code window-size demo-game.log
    # -noreset: the game restarts its video to switch drivers, and a server whose last client
    # left resets, refusing the game's next connection while it does.
    env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy WINDOW_OF="$demo_window_of" \
      xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$drive" "$@" > /dev/null 2>&1
    # The native driver fails to start only when the display is not there.
    grep -qE "Couldn't open X11 display|could not initialize SDL video system" demo-game.log 2> /dev/null || break
    echo "$test: $name: the virtual display was not ready (attempt $attempt)"
    sleep $((2 + RANDOM % 4)) # other virtual displays may be starting on this machine
  done
}

# Inside a drive script: demo_start SECONDS [GAME OPTIONS] starts the game, waits for its window
# and then SECONDS more, and records the window's size in window-size. Sets pid, window and the
# window's X, Y, WIDTH and HEIGHT; false when no window came.
demo_start() {
  local settle=$1; shift
  ./demo-game "$@" > demo.stdout 2>&1 &
  pid=$!
  window=$(window_of "$pid")
  [ -n "$window" ] || return 1
  sleep "$settle"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  echo "${WIDTH}x${HEIGHT}" > window-size
}

# Inside a drive script: demo_leave PID holds Escape, waits for the game to end and writes its
# exit code.
demo_leave() {
  local pid=$1 status=0
  xdotool keydown Escape; sleep 0.2; xdotool keyup Escape
  for _ in $(seq 1 50); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2> /dev/null && { echo "still running after Escape" >> demo.stdout; kill "$pid"; }
  wait "$pid" || status=$?
  echo "$status" > exit-code
}

# demo_fail TEST NAME REASON: reports a failed check with the game's output and log.
demo_fail() {
  echo "$1: $2: FAILED ($3)"
  cat demo.stdout 2> /dev/null
  iconv -f WINDOWS-1252 -t UTF-8 demo-game.log 2> /dev/null | tail -40
  demo_failures=$((demo_failures + 1))
}
