#!/usr/bin/env bash
# End to end: renderer 64, the OpenGL presentation backend, with the demo game on a virtual X
# display and Mesa's software renderer.
#   1. The game shows the same picture with renderer 64 as with renderer 2 (screenshots compared
#      within a small tolerance: the walker moves and the frame rates change between two runs).
#   2. In a window wider and in one taller than the game, the picture is scaled to fit, centred
#      between black bars, where the arithmetic puts it; full screen takes the desktop's size.
#   3. On the dummy driver, which has no OpenGL, renderer 64 fails with its line and the game
#      goes on in its fallback window instead of crashing.
# Parts 1 and 2 are skipped, with the reason, where the virtual display offers no OpenGL.
#   tests/e2e/gl_backend.sh BUILD_DIR
set -uo pipefail
build=$(cd "${1:-build}" && pwd)
helpers=$(cd "$(dirname "$0")/../../scripts" && pwd)/demo-on-display.sh
source "$helpers"
demo_enter gl_backend || exit 1

xvfb=(xvfb-run -a -s "-screen 0 1024x768x24")

# config RENDERER ACCELERATION: a 640x480 window at the desktop's depth.
config() { demo_config "$1" 1 0 640 480 "$2"; }

# Runs inside the virtual display: starts the game (with this script's arguments), waits until
# it has drawn for a while, records its window's size and a screenshot (of the whole display
# when SHOT_OF is "root": a full-screen window sits inside another), and leaves with Escape.
cat > drive.sh <<DRIVE
source "$helpers"
DRIVE
cat >> drive.sh <<'DRIVE'
if demo_start 1.5 "$@"; then
  import -window "${SHOT_OF:-$window}" shot.png
  xdotool mousemove $((X + 2)) $((Y + 2)); sleep 0.2
fi
demo_leave "$pid"
DRIVE

# run NAME SHOT [GAME OPTIONS]: one start of the game, its screenshot kept as SHOT.
run() {
  local name=$1 shot=$2; shift 2
  rm -f shot.png
  demo_run gl_backend "$name" drive.sh "$@"
  [ -f shot.png ] && mv shot.png "$shot"
}

fail() { demo_fail gl_backend "$@"; }
# started NAME SIZE SHOT: the run left normally, in a window of SIZE, with a screenshot.
started() {
  [ "$(cat exit-code 2> /dev/null)" = 0 ] || { fail "$1" "exit code $(cat exit-code 2> /dev/null || echo none)"; return 1; }
  [ "$(cat window-size 2> /dev/null)" = "$2" ] || { fail "$1" "window $(cat window-size 2> /dev/null), expected $2"; return 1; }
  [ -f "$3" ] || { fail "$1" "no screenshot"; return 1; }
  grep -qF "Error" demo-game.log && { fail "$1" "the log has an error"; return 1; }
  return 0
}
# near A B: two numbers at most 2 apart (rounding of the scaled edges).
near() { [ $(( $1 > $2 ? $1 - $2 : $2 - $1 )) -le 2 ]; }
# placed NAME SHOT W H X Y: the picture fills exactly that rectangle of the window.
placed() {
  local box w h x y
  # A black frame first, so that only black is trimmed, whatever colour the picture's edges have.
  box=$(convert "$2" -bordercolor black -border 1 -fuzz 3% -trim -format '%w %h %X %Y' info: 2> /dev/null | tr -d '+')
  read -r w h x y <<< "$box"
  x=$((${x:-0} - 1)) y=$((${y:-0} - 1))
  if near "${w:-0}" "$3" && near "${h:-0}" "$4" && near "${x:-0}" "$5" && near "${y:-0}" "$6"; then
    echo "gl_backend: $1: passed (picture ${w}x${h} at $x,$y)"
  else
    fail "$1" "picture ${w:-?}x${h:-?} at ${x:-?},${y:-?}, expected $3x$4 at $5,$6"
  fi
}

# ---- 3. no OpenGL: the dummy driver -------------------------------------------------------------
config 64 3
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 4 ./demo-game > demo.stdout 2>&1
status=$?
if [ "$status" -ne 124 ]; then
  fail "dummy driver" "the game ended with $status instead of running on"
elif ! grep -qF " . [Nimbrel.SetVideoMode()] Error: no OpenGL context could be made for renderer 64 (" demo-game.log; then
  fail "dummy driver" "no line saying OpenGL is missing"
elif ! grep -qF " . [demo-game] Info: window open: 640x480" demo-game.log; then
  fail "dummy driver" "no fallback window"
else
  echo "gl_backend: dummy driver: passed"
fi

# ---- is there OpenGL on a virtual display? ------------------------------------------------------
gl_info=""
if command -v glxinfo > /dev/null; then
  for attempt in 1 2 3; do
    gl_info=$("${xvfb[@]}" glxinfo -B 2>&1)
    grep -q "unable to open display" <<< "$gl_info" || break
    sleep $((2 + RANDOM % 4))
  done
fi
if ! grep -q "OpenGL renderer string" <<< "$gl_info"; then
  why=$([ -z "$gl_info" ] && echo "glxinfo (mesa-utils) is missing" || echo "glxinfo finds no OpenGL under Xvfb")
  echo "gl_backend: same picture, letterboxing: skipped ($why)"
  [ "$demo_failures" -eq 0 ]
  exit
fi
echo "gl_backend: $(grep "OpenGL renderer string" <<< "$gl_info" | sed 's/^ *//')"

# ---- 1. the same picture as renderer 2 ----------------------------------------------------------
config 2 3
run "renderer 2" software.png
if started "renderer 2" 640x480 software.png; then
  # In a sanitizer build: Mesa unloads its driver modules before the leak check runs, so what they
  # leave can no longer be told apart by name. The OpenGL runs keep every other check.
  export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
  config 64 3
  run "renderer 64" opengl.png
  if started "renderer 64" 640x480 opengl.png; then
    # Pixels that differ by more than 10%: the moving walker and the changing figures of the text
    # and debug window are a few thousand; a wrong colour order, a flipped or shifted picture,
    # a missing upload are a hundred thousand and more.
    differing=$(compare -metric AE -fuzz 10% software.png opengl.png null: 2>&1 | sed 's/ .*//')
    if [ "${differing%.*}" -le 9000 ] 2> /dev/null; then
      echo "gl_backend: same picture: passed ($differing of 307200 pixels differ)"
    else
      fail "same picture" "$differing of 307200 pixels differ from renderer 2's picture"
    fi
  fi
fi

# ---- 2. letterboxing ----------------------------------------------------------------------------
config 64 2
run "wider window" wider.png --window 1000x500
started "wider window" 1000x500 wider.png && placed "wider window" wider.png 667 500 166 0
run "taller window" taller.png --window 640x800
started "taller window" 640x800 taller.png && placed "taller window" taller.png 640 480 0 160
# Full screen: the desktop's resolution, the display mode unchanged, the picture scaled to fill it.
demo_config 64 0 0 640 480 3
SHOT_OF=root run "full screen" full.png
started "full screen" 1024x768 full.png && placed "full screen" full.png 1024 768 0 0

# The pictures stay in the build folder for a look by eye.
mkdir -p "$build/e2e/gl_backend" && cp ./*.png "$build/e2e/gl_backend/" 2> /dev/null
[ "$demo_failures" -eq 0 ]
