#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# A performer records and hears loops with the mouse: the application under Xvfb on a private
# JACK server, a 440 Hz tone played into input 1 by jack-play and the output captured by
# jack_capture. Input 1's punch button records a main loop from the tone, which keeps sounding
# after the tone stops; a click on loop channel 2 and a second take add a 1000 Hz layer there;
# channel 1's mute takes its tone out of the output and gives it back; channel 2's volume at the
# bottom silences it; input 1's meter shows the tone while it plays and falls back after.
#   mouse_loop_test.sh APP SCREEN_PROBE [SCREENSHOT_FOLDER]
set -u
app="$1"
probe="$2"
shots="${3:-}"
source "$(dirname "${BASH_SOURCE[0]}")/../support/test_env.sh"

start_private_jack 256 "$work/jack.log"

# Each tone on the left channel only, so it reaches input 1 alone.
sox -n -r 48000 -c 2 "$work/low.wav" synth 3 sine 440 sine 440 remix 1 0 gain -6 || fail "sox could not make the tones"
sox -n -r 48000 -c 2 "$work/high.wav" synth 2.5 sine 1000 sine 1000 remix 1 0 gain -6 || fail "sox could not make the tones"

start_screen 1920 1080
for _ in $(seq 200); do jack_lsp 2>/dev/null | grep -q '^Varnolo:in_1$' && break; sleep 0.05; done
jack_lsp 2>/dev/null | grep -q '^Varnolo:in_1$' || fail "the application has no JACK input"

# Everything below is timed from the start of the capture.
jack_capture -d 24 -p Varnolo:out_1 "$work/out.wav" > "$work/capture.log" 2>&1 &
capture_pid=$!
started=$(date +%s.%N)
at() { # waits until the given second of the capture
  local wait
  wait=$(awk -v s="$started" -v t="$1" -v now="$(date +%s.%N)" 'BEGIN { w = s + t - now; print (w > 0 ? w : 0) }')
  sleep "$wait"
}
play() {
  JACK_PLAY_CONNECT_TO="Varnolo:in_%d" jack-play "$1" > "$work/play.log" 2>&1 &
  play_pid=$!
}

shot "$work/quiet.png"
quiet_meter=$(mean_green "$work/quiet.png" "Input 1 Meter")
at 0.5; play "$work/low.wav"
at 1.0; click "Punch In Out 1 1"
at 1.6; shot "$work/tone.png"
at 2.0; click "Punch In Out 1 1"
at 6.0; click "Loop Channel 2"
at 6.2; play "$work/high.wav"
at 6.8; click "Punch In Out 1 1"
at 7.8; click "Punch In Out 1 1"
at 10.0; shot "$work/playing.png"
at 11.0; click "Mute 1"
at 13.0; click "Mute 1"
at 15.0
read -r x y w h < <(bounds_of "Loop Volume 2")
xdotool mousemove $((X + x + w / 2)) $((Y + y + h / 20)) sleep 0.05 mousedown 1
xdotool mousemove $((X + x + w / 2)) $((Y + y + h / 2)) sleep 0.05 mousemove $((X + x + w / 2)) $((Y + y + h + 40)) sleep 0.05 mouseup 1
at 18.0; shot "$work/after.png"
wait "$capture_pid" || fail "jack_capture failed: $(tail -n 3 "$work/capture.log")"
capture_pid=""

[[ -n "$shots" ]] && mkdir -p "$shots" && cp "$work/playing.png" "$shots/loops-playing-1920x1080.png"

band() { # RMS of the capture from second $1 for $2 seconds, between $3 and $4 Hz
  sox "$work/out.wav" -n trim "$1" "$2" sinc "$3-$4" stat 2>&1 | awk '/RMS +amplitude/ { print $3 }'
}
low() { band "$1" "$2" 380 500; }
high() { band "$1" "$2" 900 1100; }
loud() { above "$1" 0.05; }
quiet() { above 0.01 "$1"; }

# The main loop: the 440 Hz tone goes on after the input stopped, every quarter second of it.
for s in 4.0 4.25 4.5 4.75 5.0 5.25 5.5; do
  l=$(low "$s" 0.25)
  loud "$l" || fail "the main loop is not heard at second $s after its input stopped (440 Hz rms $l)"
done
quiet "$(high 4 2)" || fail "a 1000 Hz tone before it was played"

l=$(low 9.5 1.2); h=$(high 9.5 1.2)
loud "$l" && loud "$h" || fail "both loops should sound after the second take (440 Hz rms $l, 1000 Hz rms $h)"

l=$(low 11.8 0.9); h=$(high 11.8 0.9)
quiet "$l" && loud "$h" || fail "channel 1's mute should take the 440 Hz loop out (440 Hz rms $l, 1000 Hz rms $h)"

l=$(low 13.8 0.9)
loud "$l" || fail "channel 1 should sound again after the second click on its mute (440 Hz rms $l)"

l=$(low 16.5 1.2); h=$(high 16.5 1.2)
loud "$l" && quiet "$h" || fail "channel 2 at the bottom of its volume should be silent (440 Hz rms $l, 1000 Hz rms $h)"

# Input 1's meter lights with the tone and falls back without it.
tone_meter=$(mean_green "$work/tone.png" "Input 1 Meter")
after_meter=$(mean_green "$work/after.png" "Input 1 Meter")
above "$tone_meter" "$quiet_meter" || fail "input 1's meter shows no level with the tone playing ($tone_meter vs $quiet_meter)"
above "$tone_meter" "$after_meter" || fail "input 1's meter did not fall back after the tone ($tone_meter vs $after_meter)"

echo "PASS: a loop recorded with the mouse repeats, a second layer joins it, mute and volume act, the meter follows the input"
