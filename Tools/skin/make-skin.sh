#!/usr/bin/env bash
# Builds the launcher's default skin, setup.dpf, from the sources beside this script: SVG artwork
# rendered with rsvg-convert, the label font rendered from DejaVu Sans by dpf add-font, the click
# and the music synthesised with sox and encoded with oggenc, and layout.xml. Every block goes in
# through a dpf import command, which loads it back with the engine's own code first.
#   make-skin.sh DPF_TOOL OUTPUT.dpf WORK_DIR
# The package is built beside the output and moved over it only when complete.
set -euo pipefail
dpf=${1:?usage: make-skin.sh DPF_TOOL OUTPUT.dpf WORK_DIR}
output=${2:?usage: make-skin.sh DPF_TOOL OUTPUT.dpf WORK_DIR}
work=${3:?usage: make-skin.sh DPF_TOOL OUTPUT.dpf WORK_DIR}
source=$(cd "$(dirname "$0")" && pwd)
art=$source/art
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
skin=demo

for tool in rsvg-convert sox oggenc; do
  command -v "$tool" > /dev/null || { echo "make-skin: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
[ -f "$font" ] || { echo "make-skin: $font is missing (package fonts-dejavu-core)" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
package=$work/setup.dpf
"$dpf" create "$package" > /dev/null

# ---- colours: one accent, the rest greys ----------------------------------------------------------
accent='#3D6DF2'; accent_dark='#2C56C9'; accent_soft='#E8EEFE'
ink='#1F2633'; muted='#4A5366'; line='#C5CCD8'
off_fill='#EEF0F3'; off_line='#CDD2DA'; off_ink='#A3AAB6'
panel='#FFFFFF'; window='#EEF1F6'

# render TEMPLATE OUT.png KEY=VALUE...: fills the template's @KEY@ marks and renders it.
render() {
  local template=$1 out=$2; shift 2
  local script=()
  for pair in "$@"; do script+=(-e "s|@${pair%%=*}@|${pair#*=}|g"); done
  sed "${script[@]}" "$art/$template" > "${out%.png}.svg"
  rsvg-convert "${out%.png}.svg" -o "$out"
}

# ---- window, cursor, icon, logotype -------------------------------------------------------------------
for tab in general video audio; do
  sed -e "/@CONTENT@/r $art/bg-$tab.part" -e "/@CONTENT@/d" "$art/background.svg" > "$work/bg$tab.svg"
  rsvg-convert "$work/bg$tab.svg" -o "$work/bg$tab.png"
  "$dpf" add-image "$package" "$work/bg$tab.png" "${skin}_bg$tab" --depth 24 > /dev/null
done
rsvg-convert "$art/cursor.svg" -o "$work/cursor.png"
"$dpf" add-image "$package" "$work/cursor.png" "${skin}_cursor" > /dev/null
rsvg-convert "$art/icon.svg" -o "$work/icon.png"
"$dpf" add-image "$package" "$work/icon.png" "${skin}_icon" > /dev/null
rsvg-convert "$art/logo-sheet.svg" -o "$work/logo.png"
"$dpf" add-sprite "$package" "$work/logo.png" "${skin}_logo_win" --frame 200x28 \
  --anim loop:0:2400,60,60,60,60,60,60,60 > /dev/null

# ---- font -------------------------------------------------------------------------------------------
"$dpf" add-font "$package" "${skin}_font" --ttf "$font" --size 11 --spacing -1 --colour "${ink#\#}" > /dev/null

# ---- button artwork: normal (_n), pressed or chosen (_p), disabled (_o) --------------------------------
# push BUTTON LABEL WIDTH HEIGHT primary|secondary
push() {
  local name=$1 label=$2 w=$3 h=$4 kind=$5
  # The bottom bar's buttons stand on the window, the others on the panel.
  local back=$panel
  case $name in exit | play | save) back=$window ;; esac
  local geometry=(W="$w" H="$h" W1=$((w - 1)) H1=$((h - 1)) CX=$((w / 2)) TY=$((h / 2 + 4)) LABEL="$label" BACK="$back")
  if [ "$kind" = primary ]; then
    render button.svg "$work/${name}_n.png" "${geometry[@]}" FILL="$accent" STROKE="$accent" TEXT='#FFFFFF' WEIGHT=bold
    render button.svg "$work/${name}_p.png" "${geometry[@]}" FILL="$accent_dark" STROKE="$accent_dark" TEXT='#FFFFFF' WEIGHT=bold
  else
    render button.svg "$work/${name}_n.png" "${geometry[@]}" FILL="$panel" STROKE="$line" TEXT="$ink" WEIGHT=normal
    render button.svg "$work/${name}_p.png" "${geometry[@]}" FILL="$accent_soft" STROKE="$accent" TEXT="$accent_dark" WEIGHT=normal
  fi
  render button.svg "$work/${name}_o.png" "${geometry[@]}" FILL="$off_fill" STROKE="$off_line" TEXT="$off_ink" WEIGHT=normal
}
push exit Exit 88 32 secondary
push save Save 88 32 secondary
push play Play 88 32 primary
push benchmark "Run benchmark" 112 28 secondary
push readme "Read me" 104 28 secondary
push website "Website" 104 28 secondary

for tab in general:General video:Video audio:Audio; do
  name=tab${tab%%:*}; label=${tab#*:}
  render tab.svg "$work/${name}_n.png" LABEL="$label" FILL="$window" STROKE="$window" BAR="$window" TEXT="$muted" WEIGHT=normal
  render tab.svg "$work/${name}_p.png" LABEL="$label" FILL="$panel" STROKE='#D8DEE8' BAR="$accent" TEXT="$accent_dark" WEIGHT=bold
  render tab.svg "$work/${name}_o.png" LABEL="$label" FILL="$window" STROKE="$window" BAR="$window" TEXT="$off_ink" WEIGHT=normal
done

render check.svg "$work/check_n.png" FILL="$panel" STROKE='#9AA3B2' MARK="$panel"
render check.svg "$work/check_p.png" FILL="$accent" STROKE="$accent" MARK="$panel"
render check.svg "$work/check_o.png" FILL="$off_fill" STROKE="$off_line" MARK="$off_fill"
render radio.svg "$work/radio_n.png" FILL="$panel" STROKE='#9AA3B2' MARK="$panel"
render radio.svg "$work/radio_p.png" FILL="$panel" STROKE="$accent" MARK="$accent"
render radio.svg "$work/radio_o.png" FILL="$off_fill" STROKE="$off_line" MARK="$off_fill"

render slider-track.svg "$work/slider_n.png" LINE='#D5DAE3'
render slider-knob.svg "$work/slider_p.png" FILL="$accent"
render slider-track.svg "$work/slider_o.png" LINE="$off_fill"

# button NAME TYPE [OPTION...]: the button's descriptor and its three images.
button() {
  local name=$1 type=$2; shift 2
  local images="$work/${name}_n.png,$work/${name}_p.png,$work/${name}_o.png"
  "$dpf" add-button "$package" "${skin}_$name" --type "$type" --images "$images" "$@" > /dev/null
}
# The check box, the radio button and the tabs are check buttons: only they keep a selected look.
for name in exit save play benchmark readme website; do button $name normal; done
for name in tabgeneral tabvideo tabaudio check radio; do button $name check; done
button slider slider --range 255 --value 128

# ---- sounds -----------------------------------------------------------------------------------------
# A short, soft click and a calm loop of slow chords.
sox -n -r 44100 -c 2 -b 16 "$work/click.wav" synth 0.045 sine 1400-700 fade q 0.002 0.045 0.03 gain -9
chord() { # out.wav, frequencies...
  local out=$1; shift
  local tones=()
  for f in "$@"; do tones+=(sine "$f"); done
  sox -n -r 44100 -c 2 -b 16 "$out" synth 4 "${tones[@]}" fade q 0.6 4 1.2 gain -20
}
chord "$work/chord1.wav" 220 277.18 329.63 440
chord "$work/chord2.wav" 196 246.94 293.66 392
chord "$work/chord3.wav" 174.61 220 261.63 349.23
sox "$work/chord1.wav" "$work/chord2.wav" "$work/chord3.wav" "$work/chord2.wav" "$work/music.wav"
oggenc -Q -q 1 -o "$work/click.ogg" "$work/click.wav"
oggenc -Q -q 1 -o "$work/music.ogg" "$work/music.wav"
"$dpf" add-sound "$package" "$work/click.ogg" "${skin}_click" SND > /dev/null
"$dpf" add-sound "$package" "$work/music.ogg" "${skin}_music" MUS > /dev/null

# ---- layout -----------------------------------------------------------------------------------------
"$dpf" add-xml "$package" "$source/layout.xml" layout.xml > /dev/null

"$dpf" verify "$package" > /dev/null
mkdir -p "$(dirname "$output")"
mv "$package" "$output"
