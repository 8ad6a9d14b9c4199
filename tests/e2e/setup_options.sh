#!/usr/bin/env bash
# End to end: a player's session with the real Setup and the demo game on a real (virtual) X
# server, driven with xdotool.
#   1. Without a configuration Play does nothing. A custom button runs the opener (NIMBREL_OPENER,
#      here a script that records its argument) and leaves no zombie behind. The benchmark shows a
#      new score on the general tab. On the video tab the
#      player picks 1024x768, full screen and 16 bits, on the audio tab unticks sound, and saves:
#      the document holds exactly those values. Play, enabled by the save, starts the demo game,
#      which logs the saved values, and Setup ends with 0.
#   2. Exit ends Setup with 0.
#   3. A changed choice followed by Escape ends Setup with 0 and saves nothing.
# The screenshots of each tab after the actions stay in BUILD_DIR/e2e/setup_options/.
#   tests/e2e/setup_options.sh BUILD_DIR
set -uo pipefail

scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
source "$scripts/setup-window.sh"

if [ "${1:-}" != --inside ]; then
  e2e_folders "${1:-build}" setup_options
  rm -f "$work/config.xml" "$work/demo-game.log"
  printf '#!/bin/sh\nprintf "%%s\\n" "$@" > opened.tmp && mv opened.tmp opened\n' > "$work/record-opener.sh"
  chmod +x "$work/record-opener.sh"
  on_virtual_display_with_retries "$work" env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy NIMBREL_OPENER=./record-opener.sh \
    bash "$0" --inside "$work" "$shots"
  status=$?
  for file in Setup.log config.xml demo-game.log; do cp "$work/$file" "$shots/" 2> /dev/null; done
  e2e_verdict setup_options "$status"
fi

# ---- inside the virtual display ------------------------------------------------------------------
work=$2
shots=$3
cd "$work"
failures=0
fail() { echo "setup_options: $*"; failures=$((failures + 1)); }

# start_setup: starts Setup and sets X and Y to its window's corner; false when no window came.
start_setup() {
  start_setup_and_find_window
  [ -n "$setup_window" ] || { wait "$setup_pid"; echo "setup_options: no window (Setup exited with $?)"; return 1; }
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$setup_window")"
}

# Where the layout puts the buttons (layout.xml); radios and check boxes are 16 pixels square.
tab() { case $1 in general) click 65 74 ;; video) click 167 74 ;; audio) click 269 74 ;; esac; }
option() { click $(($1 + 8)) $(($2 + 8)); }
save() { click 274 370; }
play() { click 370 370; }
exit_button() { click 60 370; }

# wait_for_exit SECONDS: sets setup_status when Setup ended in time; false otherwise (and stops it).
wait_for_exit() {
  for _ in $(seq 1 $(($1 * 10))); do kill -0 "$setup_pid" 2> /dev/null || break; sleep 0.1; done
  if kill -0 "$setup_pid" 2> /dev/null; then kill "$setup_pid"; wait "$setup_pid"; return 1; fi
  setup_status=0
  wait "$setup_pid" || setup_status=$?
}

# leave_demo_game: the game Play started runs in this folder; once its window is open the player
# leaves it with Escape.
leave_demo_game() {
  local pid="" window process
  for _ in $(seq 1 100); do grep -q "Info: window open" demo-game.log 2> /dev/null && break; sleep 0.1; done
  for process in /proc/[0-9]*; do
    [ "$(cat "$process/comm" 2> /dev/null)" = demo-game ] && [ "$(readlink "$process/cwd")" = "$work" ] && pid=${process#/proc/}
  done
  [ -n "$pid" ] || return 1
  window=$(window_of "$pid")
  if [ -n "$window" ]; then
    sleep 1
    import -window "$window" "$shots/demo-game.png"
    xdotool mousemove --window "$window" 40 40
    sleep 0.2
    xdotool keydown Escape; sleep 0.2; xdotool keyup Escape
  fi
  for _ in $(seq 1 50); do kill -0 "$pid" 2> /dev/null || return 0; sleep 0.1; done
  kill "$pid"
  return 1
}

# ---- 1. a whole session: options, Save, Play ----------------------------------------------------
start_setup || exit 1
play
kill -0 "$setup_pid" 2> /dev/null || fail "Play started without a configuration"
[ ! -e demo-game.log ] || fail "Play started the game without a configuration"

click 84 318 # the "Read me" custom button
for _ in $(seq 1 30); do [ -e opened ] && break; sleep 0.1; done
[ "$(cat opened 2> /dev/null)" = README.txt ] || fail "the custom button opened '$(cat opened 2> /dev/null)'"
sleep 0.5
zombies=$(ps -o stat= --ppid "$setup_pid" | grep -c '^Z')
[ "$zombies" = 0 ] || fail "$zombies zombie children after the custom button"
import -window "$setup_window" "$shots/general.png"
# The benchmark (about seven seconds without input) redraws the general tab with its score.
click 342 224
sleep 9
import -window "$setup_window" "$shots/general-benchmark.png"
changed=$(compare -metric AE -crop 140x14+32+220 "$shots/general.png" "$shots/general-benchmark.png" null: 2>&1)
[ "$changed" != 0 ] || fail "the score did not change after the benchmark"

tab video
option 32 236  # 1024x768
option 224 139 # full screen
option 224 217 # 16 bits
import -window "$setup_window" "$shots/video.png"
tab audio
option 32 112  # untick "Enable music and sound"
import -window "$setup_window" "$shots/audio.png"
save
video=$(grep -o '<video [^>]*>' config.xml 2> /dev/null)
[ "$video" = '<video renderer="2" resolutionx="1024" resolutiony="768" colordepth="16" window="0" accel="1">' ] ||
  fail "saved video element: $video"
grep -q '<audio enable="0" ' config.xml 2> /dev/null || fail "saved audio element: $(grep -o '<audio [^>]*>' config.xml)"

play
if wait_for_exit 5; then
  [ "$setup_status" -eq 0 ] || fail "exit code $setup_status after Play"
else
  fail "Setup did not leave after Play"
fi
grep -qF " · [Execute Info] - './demo-game' was successfully executed!" <(iconv -f WINDOWS-1252 -t UTF-8 Setup.log) ||
  fail "Setup.log lacks the Execute line"
leave_demo_game || fail "the demo game did not start, or did not leave on Escape"
for line in " . [demo-game] Info: video: renderer 2, acceleration 1, window mode 0, colour depth 16, 1024x768" \
            " . [demo-game] Info: audio: enabled 0, "; do
  grep -qF -- "$line" demo-game.log 2> /dev/null || fail "demo-game.log lacks: $line"
done
cp Setup.log "$shots/Setup.session.log"

# ---- 2. Exit ----------------------------------------------------------------------------------------
start_setup || exit 1
exit_button
if wait_for_exit 5; then [ "$setup_status" -eq 0 ] || fail "exit code $setup_status after Exit"; else fail "Setup did not leave after Exit"; fi

# ---- 3. Escape after a change saves nothing ---------------------------------------------------------
cp config.xml config.before.xml
start_setup || exit 1
tab video
option 224 236 # 32 bits
leave_setup_with_escape || fail "Setup did not leave after Escape"
[ "$setup_status" -eq 0 ] || fail "exit code $setup_status after Escape"
cmp -s config.xml config.before.xml || fail "Escape changed the configuration"
[ "$failures" -eq 0 ]
