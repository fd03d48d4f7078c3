#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# The keys on stage, with no click into the main window at all: the application under Xvfb on a
# private JACK server, a 440 Hz tone on input 1, controller 20 (assigned to input 1's punch
# button in the settings file) played into the program's MIDI port, the output captured.
#
# A loop recorded by MIDI stops with space; a held space (the window system repeats it) starts
# it once and it plays on; a held delete asks for the reset once and leaves every loop in place;
# delete pressed twice resets every loop, the notice says so, nothing is heard after, and
# nothing of the closed question stays on screen. Then the same after the about box has opened
# and closed.
#   keys_test.sh APP SCREEN_PROBE MIDI_SENDER [SCREENSHOT_FOLDER]
set -u
app="$1"
probe="$2"
sender="$3"
shots="${4:-}"
source "$(dirname "${BASH_SOURCE[0]}")/../support/test_env.sh"

start_private_jack 256 "$work/jack.log"
# 11539583 is 0xb0147f: controller 20 at 127.
start_settings << 'EOF'
  <VALUE name="midiMappings">
    <midiMappings>
      <Punch_In_Out_1_1 keys="11539583"/>
    </midiMappings>
  </VALUE>
EOF
sox -n -r 48000 -c 2 "$work/tone.wav" synth 120 sine 440 sine 440 remix 1 0 gain -6 || fail "sox could not make the tone"

start_screen 1920 1080
wait_port "$midi_in_port" || fail "no JACK port $midi_in_port"
wait_port Varnolo:in_1 || fail "no JACK port Varnolo:in_1"
JACK_PLAY_CONNECT_TO="Varnolo:in_%d" jack-play "$work/tone.wav" > "$work/play.log" 2>&1 &
play_pid=$!

punch() { "$sender" "$midi_in_port" b0:14:7f > /dev/null || fail "jack_midi_send failed"; }
key() { xdotool key "$1"; sleep 0.6; }
hold() { xdotool keydown "$1"; sleep 2; xdotool keyup "$1"; sleep 0.6; }
capture() { # capture SECONDS FILE, in the background (capture_pid)
  jack_capture -d "$1" -p Varnolo:out_1 "$2" > "$work/capture.log" 2>&1 &
  capture_pid=$!
  sleep 0.3
}
finish_capture() { wait "$capture_pid" || fail "jack_capture failed: $(tail -n 3 "$work/capture.log")"; capture_pid=""; }
loud() { above "$1" 0.05; }
quiet() { above 0.01 "$1"; }
notice() { text_of "Varnolo 2.1" "Notice Line"; }

record_by_midi() { # a one-second main loop from the tone, then the loop plays
  sleep 0.5
  punch
  sleep 1
  punch
  sleep 1.2
  capture 1 "$work/playing.wav"; finish_capture
  loud "$(tone_rms "$work/playing.wav")" || fail "$1: the loop punched by MIDI is not heard"
}

reset_with_keys() { # stop, then delete twice: every loop goes, and nothing of the question stays
  key space
  key Delete
  window_shown "Reset every loop\\?" || fail "$1: delete did not ask for the reset"
  read -r qx qy qw qh < <(awk '/ Reset every loop\?: $/ { print $1, $2, $3, $4; exit }' "$work/map.txt")
  key Delete
  window_shown "Reset every loop\\?" hidden && fail "$1: the second delete did not answer the question"
  wait_text "Varnolo 2.1" "Notice Line" 3 "Every loop was reset" || fail "$1: the notice says '$(notice)', not that every loop was reset"
  sleep 0.5
  import -window root "$work/after-reset.png"
  # The question's picture is bright yellow on dark; the strips under it are not.
  yellow=$(convert "$work/after-reset.png" -crop "${qw}x${qh}+${qx}+${qy}" +repage \
    -fx 'r > 0.9 && g > 0.9 && b < 0.2 ? 1 : 0' -format '%[fx:mean]' info:)
  above 0.02 "$yellow" || fail "$1: the closed question still shows where it was (yellow share $yellow)"
  key space
  wait_text "Varnolo 2.1" "Notice Line" 3 "There are no loops" || fail "$1: space after the reset says '$(notice)'"
  capture 1 "$work/reset.wav"; finish_capture
  quiet "$(tone_rms "$work/reset.wav")" || fail "$1: a loop is still heard after the reset"
}

# Left alone after the start, the keys act: delete answers at once.
key Delete
wait_text "Varnolo 2.1" "Notice Line" 3 "There are no loops" || fail "delete at start gave '$(notice)', not the notice that there are no loops"

record_by_midi "at start"

# Space stops it.
key space
capture 1 "$work/stopped.wav"; finish_capture
quiet "$(tone_rms "$work/stopped.wav")" || fail "space did not stop the loop"

# A held space starts it once: it plays on through the repeats and after the key goes up.
capture 3 "$work/held-space.wav"
hold space
finish_capture
for s in 0.8 1.0 1.2 1.4 1.6 1.8 2.0 2.2 2.4; do
  [[ -n "${DEBUG_RMS:-}" ]] && echo "held space $s: $(tone_rms "$work/held-space.wav" "$s" 0.1)"
  l=$(tone_rms "$work/held-space.wav" "$s" 0.1)
  loud "$l" || fail "a held space toggled the looper: nothing heard at second $s of the hold (440 Hz rms $l)"
done
capture 1 "$work/after-space.wav"; finish_capture
loud "$(tone_rms "$work/after-space.wav")" || fail "after a held space the looper is not running"

# A held delete asks once and leaves the loops: Escape withdraws the question, space stops and
# starts them again.
key space
hold Delete
window_shown "Reset every loop\\?" || fail "a held delete should leave the question asked, not answered"
key Escape
window_shown "Reset every loop\\?" hidden && fail "Escape did not withdraw the question"
key space
capture 1 "$work/after-delete.wav"; finish_capture
loud "$(tone_rms "$work/after-delete.wav")" || fail "a held delete reset the loops"

reset_with_keys "at start"
[[ -n "$shots" ]] && mkdir -p "$shots" && cp "$work/after-reset.png" "$shots/keys-after-reset.png"

# A dialog opened and closed: the keys are the screen's again, still without a click into it.
menu_item 2 2
window_shown "About Varnolo 2.1" || fail "the about box did not open"
keys_to "About Varnolo 2.1" Escape
window_shown "About Varnolo 2.1" hidden && fail "Escape did not close the about box"
sleep 0.3
record_by_midi "after the about box"
reset_with_keys "after the about box"

kill -0 "$app_pid" 2>/dev/null || fail "the application died"
echo "PASS: keys act from the start and after a dialog, held keys act once, the reset needs two presses and leaves nothing on screen"
