#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# The performance screen under Xvfb, on a private JACK server, driven with the mouse and the
# keyboard as a performer would. What the engine did is read from what it drives on screen:
# the menu bar (the menus go while the looper runs), the confirmation window, and the pictures
# that show the engine's own state (undo and redo possible, the direction, the multiplier).
#   screen_test.sh APP SCREEN_PROBE [SCREENSHOT_FOLDER]
set -u
app="$1"
probe="$2"
shots="${3:-}"
source "$(dirname "${BASH_SOURCE[0]}")/../support/test_env.sh"

start_private_jack 256 "$work/jack.log"
start_screen 1920 1080


key() {
  xdotool key "$@"
  sleep 0.6
}

expect_menus() {
  shot "$work/s.png"
  local bright
  bright=$(menu_text "$work/s.png")
  if [[ "$1" == shown ]]; then
    above "$bright" 0.01 || fail "$2: the menus should show (bright share $bright)"
  else
    above "$bright" 0.01 && fail "$2: the menu bar should be empty while the looper runs (bright share $bright)"
  fi
  return 0
}

expect_menus shown "at start, stopped"

# A main loop recorded with the punch button: the looper starts with it and the menus go.
click "Punch In Out 1 1"
sleep 1.2
click "Punch In Out 1 1"
sleep 0.5
expect_menus hidden "after recording a main loop"

# Space stops and starts the transport.
key space
expect_menus shown "space stopped the looper"
key space
expect_menus hidden "space started it again"
key space
expect_menus shown "space stopped it again"

# Delete asks for the reset in the confirmation window; Escape withdraws the question.
key Delete
window_shown "Reset every loop\\?" || fail "delete did not ask for the reset"
key Escape
window_shown "Reset every loop\\?" hidden && fail "Escape did not close the confirmation window"

# Each transport button reaches the looper.
click "Reset Loops"
window_shown "Reset every loop\\?" || fail "the reset button did not ask for the reset"
key Escape
window_shown "Reset every loop\\?" hidden && fail "the confirmation window stayed"

click "Start Stop"
sleep 0.4
expect_menus hidden "the start/stop button started the looper"

# An overdub on the next loop channel makes undo possible; undo makes redo possible.
click "Punch In Out 1 1"
sleep 1.0
click "Punch In Out 1 1"
sleep 0.8
shot "$work/before.png"
undo_lit=$(mean_green "$work/before.png" "Undo")
redo_dark=$(mean_green "$work/before.png" "Redo")
click "Undo"
sleep 0.6
shot "$work/undone.png"
above "$(mean_green "$work/undone.png" "Redo")" "$redo_dark" || fail "undo did not make redo possible"
above "$undo_lit" "$(mean_green "$work/undone.png" "Undo")" || fail "undo possible after undoing the only overdub"
click "Redo"
sleep 0.6
shot "$work/redone.png"
above "$(mean_green "$work/redone.png" "Undo")" "$(mean_green "$work/undone.png" "Undo")" || fail "redo did not bring the overdub back"

multiplier=$(region_hash "$work/redone.png" "Multiplier Counter")
click "Multiply Duration"
sleep 0.5
shot "$work/multiplied.png"
[[ "$(region_hash "$work/multiplied.png" "Multiplier Counter")" != "$multiplier" ]] || fail "multiply did not change the multiplier shown"

direction=$(region_hash "$work/multiplied.png" "Playback Direction")
click "Playback Direction"
sleep 0.5
shot "$work/reversed.png"
[[ "$(region_hash "$work/reversed.png" "Playback Direction")" != "$direction" ]] || fail "the direction did not change"

[[ -n "$shots" ]] && mkdir -p "$shots" && cp "$work/reversed.png" "$shots/screen-1920x1080-playing.png"

click "Start Stop"
sleep 0.6
expect_menus shown "the start/stop button stopped the looper"

# Delete twice resets every loop: the transport then has nothing to start.
key Delete
window_shown "Reset every loop\\?" || fail "delete did not ask for the reset"
key Delete
window_shown "Reset every loop\\?" hidden && fail "the second delete did not answer the question"
shot "$work/reset.png"
key space
expect_menus shown "after the reset there is nothing to start"
[[ "$(region_hash "$work/s.png" "Notice Line")" != "$(region_hash "$work/reset.png" "Notice Line")" ]] \
  || fail "space after the reset gave no notice"

kill -0 "$app_pid" 2>/dev/null || fail "the application died"
echo "PASS: menus swap with the transport, space and delete reach the looper, every transport button acts"
