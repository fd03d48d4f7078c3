#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# The performance screen at the sizes performers use: the window under Xvfb made 800 x 600,
# 1280 x 720, 1920 x 1080 and 2560 x 1440 in turn. At each, every panel lies inside the window,
# the strips and the bus span its width, no control is smaller than 20 pixels and no text
# smaller than 11 (measured on the screen the program lays out, through screen_probe). A
# screenshot of each is kept for review.
#   layout_test.sh APP SCREEN_PROBE [SCREENSHOT_FOLDER]
set -u
app="$1"
probe="$2"
shots="${3:-}"
source "$(dirname "${BASH_SOURCE[0]}")/../support/test_env.sh"

start_private_jack 256 "$work/jack.log"
start_screen 2560 1440
[[ -n "$shots" ]] && mkdir -p "$shots"

# From the screen's corner, so the largest size fits on the screen whole, screenshot included.
xdotool windowmove "$wid" 0 0
for size in 800x600 1280x720 1920x1080 2560x1440; do
  xdotool windowsize "$wid" "${size%x*}" "${size#*x}"
  sleep 1.5
  locate
  (( WIDTH == ${size%x*} && HEIGHT == ${size#*x} )) || fail "the window is ${WIDTH}x${HEIGHT}, not $size"
  for part in "Transport" "Loop Channels" "Buses" "Input 1" "Input 2" "Loop Info" "MIDI Lights"; do
    read -r x y w h < <(bounds_of "$part")
    (( x >= 0 && y >= 0 && x + w <= WIDTH && y + h <= HEIGHT )) || fail "$part lies outside the $size window: $x $y $w $h"
  done
  read -r x y w h < <(bounds_of "Buses")
  (( x + w > WIDTH * 85 / 100 )) || fail "at $size the strips and the bus end at $((x + w)) of $WIDTH: the width is not used"

  "$probe" "$WIDTH" "$HEIGHT" --sizes > "$work/sizes.txt" 2> /dev/null || fail "screen_probe --sizes failed"
  read -r control control_name < <(sed -n 's/^smallest control: //p' "$work/sizes.txt")
  read -r text text_name < <(sed -n 's/^smallest text: //p' "$work/sizes.txt")
  echo "$size: smallest control $control px ($control_name), smallest text $text px ($text_name)"
  above 20 "$control" && fail "at $size the smallest control, $control_name, is $control px"
  above 11 "$text" && fail "at $size the smallest text, in $text_name, is $text px"

  [[ -n "$shots" ]] && shot "$shots/screen-$size.png"
done

kill -0 "$app_pid" 2>/dev/null || fail "the application died"
echo "PASS: the screen fills 800 x 600 to 2560 x 1440 with controls of at least 20 px and texts of at least 11 px"
