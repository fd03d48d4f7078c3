#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# MIDI from a controller on JACK, as a performer sets it up and plays it: the application under
# Xvfb on a private JACK server, jack_midi_send playing into Varnolo:midi_in, a 440 Hz tone on
# input 1 and the output captured.
#
# The settings file starts with controller 21 filtered and controllers 21 and 22 assigned to
# channel 1's mute. Input 1's punch button learns controller 20 from its learn menu; the MIDI
# learn table shows it; export, remove and import give the same table back. Then controller 20
# punches a loop in and out, and the capture holds the loop; while the MIDI log is open
# controller 22 only writes a line; the filtered controller 21 writes none and mutes nothing;
# controller 22 mutes and unmutes once the log is closed, and the input light flashes.
#   midi_learn_test.sh APP SCREEN_PROBE MIDI_SENDER [SCREENSHOT_FOLDER]
set -u
app="$1"
probe="$2"
sender="$3"
shots="${4:-}"
source "$(dirname "${BASH_SOURCE[0]}")/../support/test_env.sh"

start_private_jack 256 "$work/jack.log"

# Keys: status << 16 | number << 8 | value. 0xb01500 is controller 21, 0xb01600 controller 22.
start_settings << 'EOF'
  <VALUE name="midiFilter" val="11539712"/>
  <VALUE name="midiMappings">
    <midiMappings>
      <Mute_1 keys="11539712, 11539968"/>
    </midiMappings>
  </VALUE>
EOF

sox -n -r 48000 -c 2 "$work/tone.wav" synth 3 sine 440 sine 440 remix 1 0 gain -6 || fail "sox could not make the tone"

start_screen 1920 1080
for _ in $(seq 100); do jack_lsp 2>/dev/null | grep -q '^Varnolo:midi_in$' && break; sleep 0.05; done
for port in Varnolo:in_1 Varnolo:midi_in Varnolo:midi_out; do
  jack_lsp 2>/dev/null | grep -q "^$port\$" || fail "no JACK port $port"
done

send() { "$sender" Varnolo:midi_in "$@" > /dev/null || fail "jack_midi_send $* failed"; }

learn_table() { # the MIDI learn table, every page of it, hashed into table; the window closes again
  menu_item 1 1
  local id pages="" page
  id=$(window_id "MIDI learn")
  sleep 0.3
  eval "$(xdotool getwindowgeometry --shell "$id" | sed 's/^/win_/')"
  xdotool mousemove $((win_X + win_WIDTH / 2)) $((win_Y + win_HEIGHT * 3 / 4)) sleep 0.05 click 1 sleep 0.2 key Home
  for page in 1 2 3 4 5; do
    sleep 0.3
    pages+=$(window_hash "MIDI learn")
    [[ -n "$shots" && "$1" == learned ]] && mkdir -p "$shots" && import -window "$id" "$shots/midi-learn-table-$page.png"
    xdotool key Page_Down
  done
  table=$(echo "$pages" | md5sum | cut -c1-16)
  keys_to "MIDI learn" Escape
  window_shown "MIDI learn" hidden && fail "the MIDI learn window did not close"
}

stored() { # whether the settings file holds a text (or, with "gone", no longer does) within three seconds
  for _ in $(seq 30); do
    if grep -qF "$1" "$settings"; then [[ "${2:-}" != gone ]] && return 0; else [[ "${2:-}" == gone ]] && return 0; fi
    sleep 0.1
  done
  return 1
}

punch_menu() { click "Punch In Out 1 1" 3; sleep 0.3; }

# Learning: the punch button's menu, its learn item, and the message.
learn_table before; before=$table
punch_menu
xdotool key --delay 80 Down Return
window_shown "MIDI log" || fail "choosing learn should open the MIDI log"
sleep 0.3
send b0:14:7f
stored '<Punch_In_Out_1_1 keys="11539583"/>' || fail "controller 20 at 127 was not stored for the punch button"
keys_to "MIDI log" Escape
window_shown "MIDI log" hidden && fail "the MIDI log did not close"
learn_table learned; learned=$table
[[ "$learned" != "$before" ]] || fail "the MIDI learn table did not change with the new assignment"

# Export, remove with the learn menu, import: the same table. The file dialogs propose the
# exported file, so Return is all they need.
menu_item 1 2
keys_to "Export the MIDI assignments" Return
exported="$HOME/MIDI assignments.varnolomidi"
for _ in $(seq 20); do [[ -s "$exported" ]] && break; sleep 0.1; done
grep -q 'Punch_In_Out_1_1' "$exported" 2> /dev/null || fail "the export holds no punch assignment"
punch_menu
xdotool key --delay 80 Down Down Return
stored 'Punch_In_Out_1_1' gone || fail "removing the assignment left it in the settings file"
learn_table removed; removed=$table
[[ "$removed" == "$before" ]] || fail "after the removal the MIDI learn table should be as it was before learning"
menu_item 1 3
keys_to "Import MIDI assignments" Return
keys_to "Import MIDI assignments" Return
stored '<Punch_In_Out_1_1 keys="11539583"/>' || fail "the import did not bring the punch assignment back"
learn_table imported; imported=$table
[[ "$imported" == "$learned" ]] || fail "after the import the MIDI learn table should be as it was after learning"

# The log lists what may drive a control, not what is filtered, and the controls do not follow
# MIDI while it is open: channel 1's mute stays as it was, and controller 20 starts no recording
# (the loop below would come out wrong if it did).
menu_item 1 4
window_shown "MIDI log" || fail "the MIDI log did not open from the menu"
shot "$work/unmuted.png"
log_before=$(window_hash "MIDI log")
send b0:15:7f
sleep 0.4
log_filtered=$(window_hash "MIDI log")
send b0:16:7f
send b0:14:7f
sleep 0.4
log_mapped=$(window_hash "MIDI log")
shot "$work/log-open.png"
keys_to "MIDI log" Escape
window_shown "MIDI log" hidden && fail "the MIDI log did not close"
[[ "$log_filtered" == "$log_before" ]] || fail "a filtered message was written in the MIDI log"
[[ "$log_mapped" != "$log_filtered" ]] || fail "messages that may drive a control were not written in the MIDI log"
[[ "$(region_hash "$work/log-open.png" "Mute 1")" == "$(region_hash "$work/unmuted.png" "Mute 1")" ]] ||
  fail "controller 22 switched channel 1's mute while the MIDI log was open"

# Playing: everything below is timed from the start of the capture.
jack_capture -d 16 -p Varnolo:out_1 "$work/out.wav" > "$work/capture.log" 2>&1 &
capture_pid=$!
started=$(date +%s.%N)
at() {
  local wait
  wait=$(awk -v s="$started" -v t="$1" -v now="$(date +%s.%N)" 'BEGIN { w = s + t - now; print (w > 0 ? w : 0) }')
  sleep "$wait"
}

at 0.5; JACK_PLAY_CONNECT_TO="Varnolo:in_%d" jack-play "$work/tone.wav" > "$work/play.log" 2>&1 &
play_pid=$!
at 1.0; send b0:14:7f
at 2.0; send b0:14:7f
at 7.5; send b0:15:7f
at 9.0; send b0:16:7f
at 11.0; send b0:16:00
at 13.0; "$sender" Varnolo:midi_in --gap 40 $(printf 'b0:17:7f %.0s' $(seq 30)) > /dev/null &
burst_pid=$!
at 13.6; shot "$work/flash.png"
wait "$burst_pid"; burst_pid=""
at 15.0; shot "$work/after.png"
wait "$capture_pid" || fail "jack_capture failed: $(tail -n 3 "$work/capture.log")"
capture_pid=""

low() { # RMS of the capture's 440 Hz band from second $1 for $2 seconds
  sox "$work/out.wav" -n trim "$1" "$2" sinc 380-500 stat 2>&1 | awk '/RMS +amplitude/ { print $3 }'
}
loud() { above "$1" 0.05; }
quiet() { above 0.01 "$1"; }

for s in 3.6 4.0 4.4 4.8 5.2 5.6 6.0 6.4 6.8; do
  l=$(low "$s" 0.4)
  loud "$l" || fail "the loop punched with controller 20 is not heard at second $s (440 Hz rms $l)"
done
l=$(low 7.9 0.9)
loud "$l" || fail "the filtered controller 21 muted channel 1 (440 Hz rms $l)"
l=$(low 9.5 1.2)
quiet "$l" || fail "controller 22 at 127 should mute channel 1 (440 Hz rms $l)"
l=$(low 11.5 1.2)
loud "$l" || fail "controller 22 at 0 should unmute channel 1 (440 Hz rms $l)"

lit=$(mean_green "$work/flash.png" "MIDI Lights")
dark=$(mean_green "$work/after.png" "MIDI Lights")
above "$lit" "$dark" || fail "the MIDI input light did not flash with incoming messages ($lit vs $dark)"

echo "PASS: learned from the punch button's menu, exported and imported, punched a loop with MIDI; the log lists what may drive a control and nothing acts while it is open; the filter holds; the input light flashes"
