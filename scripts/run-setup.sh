#!/usr/bin/env bash
# Builds the project and runs Setup in the demo game folder the build prepares (build/demo).
# With a display, Setup opens on it. Without one, Setup runs on a virtual X display: the script
# saves a screenshot and Setup.log, presses Escape, and prints where both are.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh release > build.release.log 2>&1 || { tail -60 build.release.log; exit 1; }

demo=$(pwd)/build/demo
cd "$demo"

if [ -n "${DISPLAY:-}" ] && xdpyinfo > /dev/null 2>&1; then
  status=0
  ./Setup || status=$?
  echo "Setup exited with code $status. Its log: $demo/Setup.log"
  cat Setup.log
  exit 0
fi

# No display: run on a virtual one and drive it like a player would.
source "$OLDPWD/scripts/setup-window.sh"
for attempt in 1 2 3; do
  on_virtual_display bash "$OLDPWD/scripts/setup-on-virtual-display.sh" "$demo" > run.txt 2>&1
  x_server_unreachable || break
  echo "The virtual X server could not be reached (attempt $attempt); trying again."
  sleep 2
done
cat run.txt
