#!/usr/bin/env bash
# Runs inside a virtual X display: starts Setup in the given folder, waits for its window, saves
# a screenshot, presses Escape (held long enough for the 20-per-second input sampling) and
# reports where the screenshot and Setup.log are.
#   scripts/setup-on-virtual-display.sh FOLDER
set -uo pipefail
source "$(dirname "$0")/window-of.sh"
folder=${1:?usage: setup-on-virtual-display.sh FOLDER}
cd "$folder"
rm -f screenshot.png

./Setup > setup.stdout 2>&1 &
pid=$!
window=$(window_of "$pid")

if [ -n "$window" ]; then
  sleep 1
  import -window root screenshot.png
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
  sleep 0.2
  xdotool keydown Escape; sleep 0.2; xdotool keyup Escape
fi

status=0
for _ in $(seq 1 50); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2> /dev/null; then
  echo "Setup did not leave after Escape; stopping it."
  kill "$pid"
fi
wait "$pid" || status=$?

echo "Setup exited with code $status."
if [ -f screenshot.png ]; then
  echo "Screenshot: $folder/screenshot.png"
else
  echo "No screenshot: Setup ended before its window opened."
fi
echo "Log: $folder/Setup.log"
echo "----"
cat Setup.log 2> /dev/null | iconv -f WINDOWS-1252 -t UTF-8
