#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# An LV2 effect on the output bus, chosen and played as a performer would: the application under
# Xvfb on a private JACK server, a 440 Hz tone on input 1, the output captured, and the LV2
# plug-ins limited to swh's amplifier and delay and a plug-in that crashes as it starts. A loop
# is punched in and out with the mouse; a click on the bus's effect slot scans the plug-ins (the
# crashing one blocked, the program running on) and opens the chooser; the amplifier chosen by
# keys, its panel opens; its gain slider pulled down quiets the loop, the bypass brings it back;
# a controller learnt for the gain (a right click on its slider, then the controller played into
# the program's JACK MIDI port) sets it; so does its OSC address, which exists while the effect is
# on the bus; the effect is kept in the settings file.
#   effects_test.sh APP SCREEN_PROBE MIDI_SENDER BROKEN_PLUGIN_LIBRARY BROKEN_BUNDLE_SOURCE [SCREENSHOT_FOLDER]
set -u
app="$1"
probe="$2"
sender="$3"
broken_library="$4"
broken_source="$5"
shots="${6:-}"
source "$(dirname "${BASH_SOURCE[0]}")/../support/test_env.sh"

# The plug-ins of this test only: two of swh's, and the crashing one in a bundle of its own.
mkdir -p "$work/lv2/crash.lv2"
ln -s /usr/lib/lv2/amp-swh.lv2 /usr/lib/lv2/delayorama-swh.lv2 "$work/lv2/"
ln -s "$broken_library" "$work/lv2/crash.lv2/"
grep -v hangs "$broken_source/manifest.ttl" > "$work/lv2/crash.lv2/manifest.ttl"
sed '/varnolo-test\/hangs/,$d' "$broken_source/broken.ttl" > "$work/lv2/crash.lv2/broken.ttl"
export LV2_PATH="$work/lv2"

start_private_jack 256 "$work/jack.log"
sox -n -r 48000 -c 2 "$work/tone.wav" synth 120 sine 440 sine 440 remix 1 0 gain -6 || fail "sox could not make the tone"
osc_port=$((20000 + RANDOM % 20000))
app_args=(--osc-port "$osc_port")
start_screen 1920 1080
wait_port Varnolo:in_1 || fail "no JACK port Varnolo:in_1"
JACK_PLAY_CONNECT_TO="Varnolo:in_%d" jack-play "$work/tone.wav" > "$work/play.log" 2>&1 &
play_pid=$!

capture() { # capture SECONDS FILE
  jack_capture -d "$1" -p Varnolo:out_1 "$2" > "$work/capture.log" 2>&1 || fail "jack_capture failed: $(tail -n 3 "$work/capture.log")"
}
notice() { text_of "Varnolo 2.1" "Notice Line"; }

sleep 0.5
click "Punch In Out 1 1"
sleep 1
click "Punch In Out 1 1"
sleep 1
capture 1 "$work/dry.wav"
dry=$(tone_rms "$work/dry.wav")
above "$dry" 0.05 || fail "the loop is not heard ($dry)"

click "Bus Effect 1"
wait_text "Varnolo 2.1" "Notice Line" 20 "LV2 plug-ins scanned, 1 blocked" || fail "the scan says '$(notice)'"
sleep 0.8
[[ -n "$shots" ]] && mkdir -p "$shots" && import -window root "$shots/effects-chooser.png"
# No effect, then the crashing one (blocked: the keys pass it), Delayorama, Simple amplifier.
xdotool key --delay 150 Down Down Down Return
window_shown "Simple amplifier \\(bus effect\\)" || fail "the amplifier's panel did not open"
kill -0 "$app_pid" 2> /dev/null || fail "the program died"
capture 1 "$work/amp-0db.wav"
level=$(tone_rms "$work/amp-0db.wav")
awk -v a="$level" -v d="$dry" 'BEGIN { exit !(a > 0.9 * d && a < 1.1 * d) }' || fail "at 0 dB the loop changed: $level, $dry dry"

# The gain slider clicked near its bottom end (-70 to 70 dB): the loop all but goes.
read -r x y w h < <(part "Simple amplifier (bus effect)" "Amps gain (dB)")
xdotool mousemove $((x + 12)) $((y + h / 2)) sleep 0.1 click 1
sleep 0.5
[[ -n "$shots" ]] && import -window root "$shots/effects-panel.png"
capture 1 "$work/amp-low.wav"
low=$(tone_rms "$work/amp-low.wav")
awk -v a="$low" -v d="$dry" 'BEGIN { exit !(a < 0.05 * d) }' || fail "the gain pulled down left $low of $dry"

click_part "Simple amplifier (bus effect)" "Bypass"
sleep 0.5
capture 1 "$work/bypassed.wav"
bypassed=$(tone_rms "$work/bypassed.wav")
awk -v a="$bypassed" -v d="$dry" 'BEGIN { exit !(a > 0.9 * d && a < 1.1 * d) }' || fail "bypassed, the loop is at $bypassed, not $dry"

# Bypass off again: the gain is at its bottom. A right click on the gain slider asks to learn; the
# MIDI log opens waiting, and controller 30 at 64 is learnt (not played: the controls do not
# follow MIDI while the log shows). Closed, the same controller sets the gain to 0.55 dB.
click_part "Simple amplifier (bus effect)" "Bypass"
read -r x y w h < <(part "Simple amplifier (bus effect)" "Amps gain (dB)")
xdotool mousemove $((x + w / 2)) $((y + h / 2)) sleep 0.1 click 3
window_shown "MIDI log" || fail "a right click on the gain did not open the MIDI log to learn"
"$sender" "$midi_in_port" b0:1e:40 > /dev/null || fail "jack_midi_send failed"
sleep 0.5
keys_to "MIDI log" Escape
window_shown "MIDI log" hidden && fail "the MIDI log did not close"
capture 1 "$work/still-low.wav"
still=$(tone_rms "$work/still-low.wav")
awk -v a="$still" -v d="$dry" 'BEGIN { exit !(a < 0.05 * d) }' || fail "learning moved the gain ($still)"
"$sender" "$midi_in_port" b0:1e:40 > /dev/null || fail "jack_midi_send failed"
sleep 0.5
capture 1 "$work/by-midi.wav"
midi=$(tone_rms "$work/by-midi.wav")
awk -v a="$midi" -v d="$dry" 'BEGIN { exit !(a > 0.95 * d && a < 1.2 * d) }' || fail "controller 30 at 64 gave $midi for $dry dry"

# The gain's OSC address, made when the effect came on the bus: at 0 the gain is at its bottom.
oscsend 127.0.0.1 "$osc_port" /varnolo/bus_effect_gain f 0.0 || fail "oscsend failed"
sleep 0.5
capture 1 "$work/by-osc.wav"
osc=$(tone_rms "$work/by-osc.wav")
awk -v a="$osc" -v d="$dry" 'BEGIN { exit !(a < 0.05 * d) }' || fail "/varnolo/bus_effect_gain 0.0 left $osc of $dry"

for _ in $(seq 30); do grep -q 'swh-plugins/amp' "$settings" 2> /dev/null && break; sleep 0.2; done
grep -q 'busEffect' "$settings" && grep -q 'swh-plugins/amp' "$settings" || fail "the effect is not kept in the settings file"
grep -q 'varnolo-test/crashes' "$settings" || fail "the block list is not kept in the settings file"
grep -q 'Bus_Effect_gain' "$settings" || fail "the learnt controller is not kept in the settings file"
echo "PASS: dry $dry, at 0 dB $level, gain down $low, bypassed $bypassed, by MIDI $midi, by OSC $osc"
