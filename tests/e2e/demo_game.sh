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
helpers=$(cd "$(dirname "$0")/../../scripts" && pwd)/demo-on-display.sh
source "$helpers"
demo_enter demo_game || exit 1

# Runs inside the virtual display: starts the game, records its window's size, clicks in it,
# opens the console and saves its lines (when CONSOLE_FILE is set), and leaves with Escape.
# Every key is held long enough for the 20-per-second input sampling. The game gets a moment to
# settle first: on a loaded machine (or in the sanitizer build) its first frames come late.
cat > drive.sh <<DRIVE
source "$helpers"
DRIVE
cat >> drive.sh <<'DRIVE'
if demo_start 1.5 "$@"; then
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
fi
demo_leave "$pid"
DRIVE

fail() { demo_fail demo_game "$@"; }
check_run() { # name, expected window size, log lines...
  local name=$1 size=$2; shift 2
  [ "$(cat exit-code 2> /dev/null)" = 0 ] || { fail "$name" "exit code $(cat exit-code 2> /dev/null || echo none)"; return; }
  [ "$(cat window-size 2> /dev/null)" = "$size" ] || { fail "$name" "window $(cat window-size 2> /dev/null), expected $size"; return; }
  for line in "$@"; do
    grep -qF -- "$line" demo-game.log || { fail "$name" "log lacks: $line"; return; }
  done
  echo "demo_game: $name: passed"
}

demo_config 2 1 16 800 600
rm -f console.txt
CONSOLE_FILE=console.txt demo_run demo_game "configured mode" drive.sh
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
demo_config 2 0 32 4000 3000
demo_run demo_game "impossible mode" drive.sh
check_run "impossible mode" 640x480 \
  " . [demo-game] Info: video: renderer 2, acceleration 1, window mode 0, colour depth 32, 4000x3000" \
  " . [demo-game] Warning: the mode 4000x3000 at 32 bits could not be set; running in a 640x480 window instead." \
  " . [demo-game] Info: window open: 640x480, " \
  " . [demo-game] Info: leaving after Escape."

[ "$demo_failures" -eq 0 ]
