#!/usr/bin/env bash
# End to end: the demo game, built against the installed engine, on a real (virtual) X server.
#   1. It must read the configuration document into the engine and log every value it read,
#      open its window in the asked size, and leave with exit code 0 on Escape.
#      The back-quote key must open the console, which takes typed commands and holds the log's
#      lines: "con save" writes them to a file.
#   2. A mode that cannot be set must give a 640x480 window, the log line saying so and a
#      normal exit, never a failed start.
#   tests/e2e/demo_game.sh BUILD_DIR
set -uo pipefail
build=$(cd "${1:-build}" && pwd)
window_of=$(cd "$(dirname "$0")/../../scripts" && pwd)/window-of.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for file in demo-game demo.dpf; do
  [ -f "$build/demo/$file" ] || { echo "demo_game: FAILED ($build/demo/$file is missing)"; exit 1; }
  cp "$build/demo/$file" "$work/"
done
cd "$work"

# config RENDERER WINDOW DEPTH WIDTH HEIGHT: the document as Setup saves it.
config() {
  cat > config.xml <<XML
<?xml version="1.0" encoding="UTF-8" standalone="yes" ?>
<setup>
    <general mtfriendly="3">General information</general>
    <video renderer="$1" resolutionx="$4" resolutiony="$5" colordepth="$3" window="$2" accel="1" />
    <audio enable="1" format="16" frequency="22050" mode="2" musicvol="200" soundvol="90" buffer="2048" />
</setup>
XML
}

# Runs inside the virtual display: starts the game, records its window's size, clicks in it,
# opens the console and saves its lines (when CONSOLE_FILE is set), holds Escape and writes the
# exit code. Every key is held long enough for the 20-per-second input sampling.
cat > drive.sh <<'DRIVE'
source "$WINDOW_OF"
./demo-game > demo.stdout 2>&1 &
pid=$!
window=$(window_of "$pid")
if [ -n "$window" ]; then
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$window")"
  echo "${WIDTH}x${HEIGHT}" > window-size
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)); sleep 0.2
  xdotool mousedown 1; sleep 0.2; xdotool mouseup 1; sleep 0.2
  press() { xdotool keydown "$1"; sleep 0.12; xdotool keyup "$1"; sleep 0.08; }
  if [ -n "${CONSOLE_FILE:-}" ]; then
    press grave; sleep 1.2
    for key in c o n space s a v e space $(echo "$CONSOLE_FILE" | sed 's/./& /g; s/\./period/g'); do press "$key"; done
    press Return; sleep 0.3
    press Escape   # the console's, while it is open: the game goes on
    press grave; sleep 1.2
  fi
  xdotool keydown Escape; sleep 0.2; xdotool keyup Escape
fi
for _ in $(seq 1 50); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
kill -0 "$pid" 2> /dev/null && { echo "still running after Escape" >> demo.stdout; kill "$pid"; }
status=0
wait "$pid" || status=$?
echo "$status" > exit-code
DRIVE

# run NAME: one start of the game. A virtual display that is not ready in time is the test
# machine's problem, not the game's: such a start is tried again.
run() {
  for attempt in 1 2 3 4 5; do
    rm -f exit-code window-size demo-game.log console.txt
    env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy CONSOLE_FILE="${CONSOLE_FILE:-}" WINDOW_OF="$window_of" xvfb-run -a -s "-screen 0 1024x768x24" bash drive.sh > /dev/null 2>&1
    # The native driver (renderer 2) fails to start only when the display is not there.
    grep -qE "Couldn't open X11 display|could not initialize SDL video system \(2\)" demo-game.log 2> /dev/null || break
    echo "demo_game: $1: the virtual display was not ready (attempt $attempt)"
    sleep $((2 + RANDOM % 4)) # other virtual displays may be starting on this machine
  done
}

failures=0
# fail NAME REASON: reports a failed check with the game's output and log.
fail() {
  echo "demo_game: $1: FAILED ($2)"
  cat demo.stdout 2> /dev/null
  iconv -f WINDOWS-1252 -t UTF-8 demo-game.log 2> /dev/null
  failures=$((failures + 1))
}
check_run() { # name, expected window size, log lines...
  local name=$1 size=$2; shift 2
  [ "$(cat exit-code 2> /dev/null)" = 0 ] || { fail "$name" "exit code $(cat exit-code 2> /dev/null || echo none)"; return; }
  [ "$(cat window-size 2> /dev/null)" = "$size" ] || { fail "$name" "window $(cat window-size 2> /dev/null), expected $size"; return; }
  for line in "$@"; do
    grep -qF -- "$line" demo-game.log || { fail "$name" "log lacks: $line"; return; }
  done
  echo "demo_game: $name: passed"
}

config 2 1 16 800 600
CONSOLE_FILE=console.txt run "configured mode"
check_run "configured mode" 800x600 \
  " . [demo-game] Info: configuration read from config.xml" \
  " . [demo-game] Info: general: frame delay 3" \
  " . [demo-game] Info: video: renderer 2, acceleration 1, window mode 1, colour depth 16, 800x600" \
  " . [demo-game] Info: audio: enabled 1, format 16, frequency 22050, channels 2, buffer 2048, music volume 200, sound volume 90" \
  " . [demo-game] Info: window open: 800x600, 16 bits" \
  " . [demo-game] Info: leaving after Escape."
if ! grep -qF "[demo-game] Info: the back-quote key opens the console" console.txt 2> /dev/null; then
  fail "console" "the back-quote key, typing and con save gave no console file holding the log's lines"
else
  echo "demo_game: console: passed"
fi

# A full screen larger than any mode of the 1024x768 display cannot be set.
config 2 0 32 4000 3000
run "impossible mode"
check_run "impossible mode" 640x480 \
  " . [demo-game] Info: video: renderer 2, acceleration 1, window mode 0, colour depth 32, 4000x3000" \
  " . [demo-game] Warning: the mode 4000x3000 at 32 bits could not be set; running in a 640x480 window instead." \
  " . [demo-game] Info: window open: 640x480, " \
  " . [demo-game] Info: leaving after Escape."

[ "$failures" -eq 0 ]
