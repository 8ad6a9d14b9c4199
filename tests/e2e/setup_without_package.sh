#!/usr/bin/env bash
# End to end: the real Setup on a real (virtual) X server, in a folder without setup.dpf. It must
# start the engine on the X11 driver, stop at the layout with exit code 1 and end its log with
# the layout line.
#   tests/e2e/setup_without_package.sh BUILD_DIR
set -uo pipefail
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/Setup" "$work/"
cd "$work"

# A virtual X server that is not ready in time is the test machine's problem, not Setup's: try
# again, up to three times, when the log says the display could not be opened.
for attempt in 1 2 3; do
  status=0
  env -u SDL_VIDEODRIVER xvfb-run -a -s "-screen 0 1024x768x24" ./Setup > /dev/null 2>&1 || status=$?
  grep -q "Couldn't open X11 display" Setup.log || break
  echo "setup_without_package: the virtual display was not ready (attempt $attempt)"
  sleep 2
done
expected=$(printf ' \xB7 [Init Error] - Couldn\xB4t parse layout.xml file. Error code: 1')
last=$(tail -n 1 Setup.log)
if [ "$status" -eq 1 ] && [ "$last" == "$expected" ] && grep -q "Nimbrel successfully initiated" Setup.log; then
  echo "setup_without_package: passed"
  exit 0
fi
echo "setup_without_package: FAILED (exit $status)"
iconv -f WINDOWS-1252 -t UTF-8 Setup.log
exit 1
