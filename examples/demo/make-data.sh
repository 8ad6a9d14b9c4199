#!/usr/bin/env bash
# Builds the demo game's data package from the sources beside this script: SVG artwork rendered
# with rsvg-convert, the font rendered from DejaVu Sans by dpf add-font, and the click and the
# music synthesised with sox and encoded with oggenc. Every block goes in through a dpf import
# command, which loads it back with the engine's own code first.
#   make-data.sh DPF_TOOL OUTPUT.dpf WORK_DIR
# The package is built in the work folder and moved over the output only when complete.
set -euo pipefail
usage="usage: make-data.sh DPF_TOOL OUTPUT.dpf WORK_DIR"
dpf=${1:?$usage}
output=${2:?$usage}
work=${3:?$usage}
art=$(cd "$(dirname "$0")" && pwd)/art
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf

for tool in rsvg-convert sox oggenc; do
  command -v "$tool" > /dev/null || { echo "make-data: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
[ -f "$font" ] || { echo "make-data: $font is missing (package fonts-dejavu-core)" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
package=$work/demo.dpf
"$dpf" create "$package" > /dev/null

rsvg-convert "$art/walker.svg" -o "$work/walker.png"
"$dpf" add-sprite "$package" "$work/walker.png" demo_walker --frame 32x32 --anim loop:0:90,90,90,90,90,90,90,90 > /dev/null
rsvg-convert "$art/tiles.svg" -o "$work/tiles.png"
"$dpf" add-tile "$package" "$work/tiles.png" demo_tiles --tileset 32x32 > /dev/null
"$dpf" add-font "$package" demo_font --ttf "$font" --size 14 --colour E8EEFE > /dev/null

# A short click, and a loop of a plucked arpeggio over two bars.
sox -n -r 22050 -c 2 -b 16 "$work/click.wav" synth 0.05 sine 1800-900 fade q 0.002 0.05 0.03 gain -8
notes=()
for f in 261.63 329.63 392 523.25 392 329.63 293.66 349.23 440 587.33 440 349.23; do
  sox -n -r 22050 -c 2 -b 16 "$work/note$f.wav" synth 0.3 pluck "$f" fade q 0.005 0.3 0.1 gain -14
  notes+=("$work/note$f.wav")
done
sox "${notes[@]}" "$work/music.wav"
oggenc -Q -q 1 -o "$work/click.ogg" "$work/click.wav"
oggenc -Q -q 1 -o "$work/music.ogg" "$work/music.wav"
"$dpf" add-sound "$package" "$work/click.ogg" demo_click SND > /dev/null
"$dpf" add-sound "$package" "$work/music.ogg" demo_music MUS > /dev/null

"$dpf" verify "$package" > /dev/null
mkdir -p "$(dirname "$output")"
mv "$package" "$output"
