#!/usr/bin/env bash
# Runs inside a virtual X display: starts Setup in the given folder, waits for its window, saves
# a screenshot, presses Escape (held long enough for the 20-per-second input sampling) and
# reports where the screenshot and Setup.log are.
#   scripts/setup-on-virtual-display.sh FOLDER
set -uo pipefail
folder=${1:?usage: setup-on-virtual-display.sh FOLDER}
source "$(cd "$(dirname "$0")" && pwd)/setup-window.sh"
cd "$folder"
rm -f screenshot.png

start_setup_and_find_window
if [ -n "$setup_window" ]; then
  sleep 1
  import -window root screenshot.png
fi
leave_setup_with_escape

echo "Setup exited with code $setup_status."
if [ -f screenshot.png ]; then
  echo "Screenshot: $folder/screenshot.png"
else
  echo "No screenshot: Setup ended before its window opened."
fi
echo "Log: $folder/Setup.log"
echo "----"
cat Setup.log 2> /dev/null | iconv -f WINDOWS-1252 -t UTF-8
