#!/usr/bin/env bash
# End to end: the real Setup with the default skin on a real (virtual) X server. Its window must
# open with the layout's title and size; a screenshot of the general tab must show the skin's
# background wherever no button, text, logotype or cursor covers it; Escape must end Setup with
# exit code 0 and leave the game's configuration as it was. The screenshots of each run stay in
# BUILD_DIR/e2e/setup_window/.
#   tests/e2e/setup_window.sh BUILD_DIR
set -uo pipefail

scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
source "$scripts/setup-window.sh"

if [ "${1:-}" != --inside ]; then
  e2e_folders "${1:-build}" setup_window
  # A configuration Setup reads but must not touch when the player leaves with Escape.
  cat > "$work/config.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8" standalone="yes" ?>
<setup>
    <general mtfriendly="1">General information</general>
    <video renderer="2" resolutionx="800" resolutiony="600" colordepth="0" window="1" accel="1">Video</video>
    <audio enable="1" format="16" frequency="44100" mode="2" musicvol="100" soundvol="90" buffer="4096">Audio</audio>
</setup>
XML
  cp "$work/config.xml" "$shots/config.before.xml"
  on_virtual_display_with_retries "$work" env -u SDL_VIDEODRIVER -u SDL_AUDIODRIVER \
    bash "$0" --inside "$work" "$shots" "$build/Tools/skin/work"
  status=$?
  cp "$work/Setup.log" "$shots/" 2> /dev/null
  e2e_verdict setup_window "$status"
fi

# ---- inside the virtual display ------------------------------------------------------------------
work=$2
shots=$3
artwork=$4
cd "$work"
failures=0
fail() { echo "setup_window: $*"; failures=$((failures + 1)); }

start_setup_and_find_window
window=$setup_window
if [ -z "$window" ]; then
  wait "$setup_pid"
  echo "setup_window: no window (Setup exited with $?)"
  exit 1
fi
sleep 1.5 # the first tab drawn and a few renders presented

title=$(xdotool getwindowname "$window")
[ "$title" = "Nimbrel Demo - Setup" ] || fail "window title '$title'"
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" = 430 ] && [ "$HEIGHT" = 400 ] || fail "window size ${WIDTH}x${HEIGHT}"

# tab_matches TAB AREA...: the screenshot of a tab shows that tab's background in every area.
tab_matches() {
  local tab=$1 area difference; shift
  import -window "$window" "$shots/$tab.png"
  for area in "$@"; do
    difference=$(compare -metric AE -crop "$area" "$shots/$tab.png" "$artwork/bg$tab.png" null: 2>&1)
    [ "$difference" = 0 ] || fail "the $tab tab differs from the skin's background in $area ($difference pixels)"
  done
}

# The general tab where only the background covers it: the header right of the logotype, the
# bottom bar between Exit and Save, the panel right of the texts and above the benchmark button,
# and the band between the header and the tab row.
tab_matches general 214x46+216+0 120x44+106+348 90x110+320+92 430x10+0+48
# The other tabs, shown by their tab buttons (layout.xml places them), each checked on a heading
# of its own.
click 167 74
tab_matches video 214x46+216+0 120x14+224+180
click 269 74
tab_matches audio 214x46+216+0 110x14+160+144

leave_setup_with_escape || fail "Setup did not leave after Escape"
[ "$setup_status" -eq 0 ] || fail "exit code $setup_status after Escape"
cmp -s config.xml "$shots/config.before.xml" || fail "Escape changed the configuration"
[ "$failures" -eq 0 ]
