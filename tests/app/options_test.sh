#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# The options dialog and the about box, under Xvfb with the application on a private JACK server.
#
# With a main loop recorded the options are refused and the loop plays on; once the loops are
# reset the options open. While they are open the controls do not follow MIDI: controller 20,
# assigned to input 1's punch button, records nothing, and the screen says why. Showing the
# reset-mix button rebuilds the screen at once with the button, in the same place and size, and
# the rebuilt engine follows its input again; the MIDI clock output the performer had switched
# off stays off when the options close. The device tab switches to ALSA (its
# JACK plug-in, on the same server) and to another block size: the device reopens at that size,
# the status line and the engine's latencies follow. After quitting, the settings file holds the
# option and the device. Screenshots of both tabs, the refusal and the about box are kept.
#   options_test.sh APP SCREEN_PROBE MIDI_SENDER [SCREENSHOT_FOLDER]
set -u
app="$1"
probe="$2"
sender="$3"
shots="${4:-}"
source "$(dirname "${BASH_SOURCE[0]}")/../support/test_env.sh"

start_private_jack 256 "$work/jack.log"
[[ -n "$shots" ]] && mkdir -p "$shots"
# 11539583 is 0xb0147f: controller 20 at 127.
start_settings << 'EOF'
  <VALUE name="midiMappings">
    <midiMappings>
      <Punch_In_Out_1_1 keys="11539583"/>
    </midiMappings>
  </VALUE>
EOF

sox -n -r 48000 -c 2 "$work/tone.wav" synth 2.5 sine 440 sine 440 remix 1 0 gain -6 || fail "sox could not make the tone"
play() {
  JACK_PLAY_CONNECT_TO="Varnolo:in_%d" jack-play "$work/tone.wav" > "$work/play.log" 2>&1 &
  play_pid=$!
}
mean_red() { # the lit output light is orange, at rest a dim brown
  local x y w h
  read -r x y w h < <(bounds_of "$2")
  convert "$1" -crop "${w}x${h}+${x}+${y}" +repage -format "%[fx:mean.r]" info:
}
statuses() { grep -c '^Audio device: ' "$work/app.log"; }
loudness() { # RMS of a capture's 440 Hz band
  sox "$1" -n sinc 380-500 stat 2>&1 | awk '/RMS +amplitude/ { print $3 }'
}
green_of() { # mean green of a named part of the main window in a screenshot of the whole screen
  local x y w h
  read -r x y w h < <(part "Varnolo 2.1" "$2")
  convert "$1" -crop "${w}x${h}+${x}+${y}" +repage -format "%[fx:mean.g]" info:
}

start_screen 1920 1080
for _ in $(seq 100); do jack_lsp 2>/dev/null | grep -q '^Varnolo:in_1$' && break; sleep 0.05; done

# A main loop from the tone; the looper stopped, the menus are back, but the options refuse.
play
sleep 0.4
click "Punch In Out 1 1"
sleep 1.0
click "Punch In Out 1 1"
sleep 0.8
xdotool key space
sleep 1.5
menu_item 2 1
window_shown "Options locked" || fail "with a main loop recorded the options should be refused"
window_shown "Options" hidden && fail "the options opened although a main loop is recorded"
[[ -n "$shots" ]] && import -window "$(window_id "Options locked")" "$shots/options-refused.png"
keys_to "Options locked" Return
window_shown "Options locked" hidden && fail "the refusal did not go"

# The engine was left alone: started again, the loop sounds.
xdotool key space
sleep 0.5
jack_capture -d 2 -p Varnolo:out_1 "$work/loop.wav" > "$work/capture.log" 2>&1 || fail "jack_capture failed"
l=$(loudness "$work/loop.wav")
above "$l" 0.05 || fail "the main loop does not play on after the refusal (440 Hz rms $l)"
xdotool key space
sleep 0.5

# Reset every loop: now the options open.
xdotool key Delete
window_shown "Reset every loop\\?" || fail "delete did not ask for the reset"
xdotool key Delete
window_shown "Reset every loop\\?" hidden && fail "the reset was not confirmed"
sleep 0.5

# The performer switches the MIDI clock output off.
click "MIDI Clock Output"
sleep 1
shot "$work/clock-off.png"
clock_off=$(mean_red "$work/clock-off.png" "MIDI Clock Output")
geometry=$(xdotool getwindowgeometry "$wid" | tail -n 2)

menu_item 2 1
window_shown "Options" || fail "the options did not open with no loop recorded"
[[ -n "$shots" ]] && import -window "$(window_id "Options")" "$shots/options-looper.png"

# A foot switch while the options are open: nothing is recorded, and the screen says why.
play
"$sender" "$midi_in_port" b0:14:7f > /dev/null || fail "jack_midi_send failed"
sleep 1
"$sender" "$midi_in_port" b0:14:7f > /dev/null || fail "jack_midi_send failed"
wait_text "Varnolo 2.1" "Notice Line" 3 "MIDI input was ignored" ||
  fail "MIDI while the options are open: the notice says '$(text_of "Varnolo 2.1" "Notice Line")'"

# An option that changes the screen: the content is rebuilt with the button at once.
before=$(statuses)
choose Options "Show the reset-mix button" On
part "Varnolo 2.1" "Reset Mix" > /dev/null
for _ in $(seq 50); do (( $(statuses) > before )) && break; sleep 0.1; done
(( $(statuses) > before )) || fail "the audio device was not opened again after the rebuild"
[[ "$(xdotool getwindowgeometry "$wid" | tail -n 2)" == "$geometry" ]] ||
  fail "the rebuild moved or resized the window: $(xdotool getwindowgeometry "$wid" | tail -n 2 | tr '\n' ' ')"

# The rebuilt engine runs: input 1's meter follows the tone.
import -window root "$work/quiet.png"
play
sleep 0.8
import -window root "$work/tone.png"
lit=$(green_of "$work/tone.png" "Input 1 Meter")
dark=$(green_of "$work/quiet.png" "Input 1 Meter")
above "$lit" "$dark" || fail "after the rebuild input 1's meter does not follow the tone ($lit vs $dark)"

# The device tab: ALSA through its JACK plug-in, then another block size.
click_part Options "Audio and MIDI"
sleep 0.5
[[ -n "$shots" ]] && import -window "$(window_id "Options")" "$shots/options-audio.png"
choose Options "Audio device type:" ALSA
choose Options "Output:" "JACK Audio Connection Kit"
current=$(grep -F " Options: Audio buffer size: = " "$work/map.txt" | sed 's/.* = \([0-9]*\) samples.*/\1/')
[[ -n "$current" ]] || fail "the device tab shows no block size"
size=1024
[[ "$current" == 1024 ]] && size=2048
import -window root "$work/status-before.png"
choose Options "Audio buffer size:" "$size samples ($(awk -v n="$size" 'BEGIN { printf "%.1f", n / 48 }') ms)"
line=""
for _ in $(seq 50); do
  line=$(grep "^Audio device: JACK Audio Connection Kit, 48.0 kHz, $size samples a block" "$work/app.log" | tail -n1)
  [[ -n "$line" ]] && break
  sleep 0.1
done
[[ -n "$line" ]] || fail "the device did not reopen with $size samples a block: $(grep '^Audio device' "$work/app.log" | tail -n1)"
old_latency=$(grep "^Audio device: JACK Audio Connection Kit, 48.0 kHz, $current samples" "$work/app.log" | tail -n1 | sed 's/.*latency //')
[[ "${line##*latency }" != "$old_latency" ]] || fail "the latencies did not follow the block size ($line)"
sleep 0.5
import -window root "$work/status-after.png"
region() {
  local x y w h
  read -r x y w h < <(part "Varnolo 2.1" "Device Status")
  convert "$1" -crop "${w}x${h}+${x}+${y}" +repage rgb:- | md5sum
}
[[ "$(region "$work/status-before.png")" != "$(region "$work/status-after.png")" ]] || fail "the status line did not change"
if [[ -n "$shots" ]]; then
  read -r x y w h < <(part "Varnolo 2.1" "Device Status")
  convert "$work/status-after.png" -crop "${w}x${h}+${x}+${y}" +repage "$shots/status-line-alsa-$size.png"
  import -window "$(window_id "Options")" "$shots/options-audio-alsa.png"
fi

# Closing the options: the clock output stays off, and the foot switch recorded nothing.
keys_to Options Escape
window_shown "Options" hidden && fail "Escape did not close the options"
sleep 1
locate
shot "$work/clock-after.png"
clock_after=$(mean_red "$work/clock-after.png" "MIDI Clock Output")
above "$clock_after" $(awk -v r="$clock_off" 'BEGIN { print r + 0.1 }') &&
  fail "closing the options switched the MIDI clock output back on (its light's red $clock_off, now $clock_after)"
xdotool key space
wait_text "Varnolo 2.1" "Notice Line" 3 "There are no loops" ||
  fail "a loop was recorded while the options were open: space says '$(text_of "Varnolo 2.1" "Notice Line")'"
menu_item 2 2
window_shown "About Varnolo 2.1" || fail "the about box did not open"
[[ -n "$shots" ]] && import -window "$(window_id "About Varnolo 2.1")" "$shots/about.png"
keys_to "About Varnolo 2.1" Escape
window_shown "About Varnolo 2.1" hidden && fail "Escape did not close the about box"

# Quitting keeps the option and the device.
xdotool key ctrl+q
sleep 1
xdotool key Return
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "the application did not quit"
app_pid=""
grep -q '<VALUE name="showResetMixButton" val="On"/>' "$settings" || fail "the settings file lost the reset-mix option"
grep -q 'deviceType="ALSA"' "$settings" || fail "the settings file does not keep the ALSA device"
grep -q "audioDeviceBufferSize=\"$size\"" "$settings" || fail "the settings file does not keep the block size $size"

echo "PASS: options refused with a loop; no MIDI recording while they are open; a changed option rebuilt the screen and the engine in place; the clock output kept; ALSA at $size samples a block; the about box; the settings kept"
