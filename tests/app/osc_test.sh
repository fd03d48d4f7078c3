#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# OSC from other programs, with liblo's own tools: the application under Xvfb on a private JACK
# server, started with --osc-port, a 440 Hz tone on input 1, the output captured. oscdump
# listens as a subscriber; oscsend sends commands and queries.
#
# Punch in and out by OSC records a loop that is heard; mute and volume change it; the
# subscriber hears the channel's state change and the looper start; while the MIDI log is open
# a command is held off, told on the notice line, and the log writes OSC lines. Then a flood of
# 100 000 messages (four in five malformed): the program keeps running and playing, and its
# counts are right. Prints the missed JACK cycles during the flood and during as long a quiet
# time before it.
#   osc_test.sh APP SCREEN_PROBE OSC_TOOL [SCREENSHOT_FOLDER]
set -u
app="$1"
probe="$2"
tool="$3"
shots="${4:-}"
source "$(dirname "${BASH_SOURCE[0]}")/../support/test_env.sh"

port=$((20000 + RANDOM % 20000))
dump_port=$((port + 1))
start_private_jack 256 "$work/jack.log"
sox -n -r 48000 -c 2 "$work/tone.wav" synth 120 sine 440 sine 440 remix 1 0 gain -6 || fail "sox could not make the tone"

# Appended to, so that emptying the file between checks leaves no gap.
oscdump -L "$dump_port" >> "$work/dump.txt" 2>&1 &
burst_pid=$!
app_args=(--osc-port "$port")
start_screen 1920 1080
grep -q "OSC server: port $port" "$work/app.log" || fail "the OSC server did not start on port $port"
wait_port Varnolo:in_1 || fail "no JACK port Varnolo:in_1"
JACK_PLAY_CONNECT_TO="Varnolo:in_%d" jack-play "$work/tone.wav" > "$work/play.log" 2>&1 &
play_pid=$!

osc() { oscsend 127.0.0.1 "$port" "$@" || fail "oscsend $* failed"; }
me="osc.udp://127.0.0.1:$dump_port/"
capture() { # capture SECONDS FILE
  jack_capture -d "$1" -p Varnolo:out_1 "$2" > "$work/capture.log" 2>&1 || fail "jack_capture failed: $(tail -n 3 "$work/capture.log")"
}
loud() { above "$1" 0.05; }
quiet() { above 0.01 "$1"; }
heard() { # heard PATTERN SECONDS: the dump shows a line matching PATTERN within SECONDS
  local i
  for i in $(seq $(($2 * 10))); do grep -qE "$1" "$work/dump.txt" && return 0; sleep 0.1; done
  return 1
}
counts() { # the program's counts, as "received commands ignored held_off"
  : > "$work/dump.txt"
  osc /varnolo/get sss counts "$me" /counts
  heard '/counts siiii "counts"' 3 || fail "no answer to the counts query"
  grep -a '/counts siiii' "$work/dump.txt" | tail -n1 | awk '{ print $5, $6, $7, $8 }'
}

# A subscriber hears the whole state at once.
osc /varnolo/subscribe s "$me"
heard '/varnolo/status sisii "channel" 1 "silent" 0 0' 3 || fail "the subscriber did not hear the state: $(head -c 400 "$work/dump.txt")"
heard '/varnolo/status si "running" 0' 1 || fail "the subscriber did not hear that the looper is stopped"

# Punch in, a second later punch out (a float, as a control surface's button sends it): the loop
# is heard, and the subscriber heard it recorded and playing.
osc /varnolo/punch_in_out_1_1
heard '"channel" 1 "recording"' 2 || fail "the subscriber did not hear channel 1 recording"
sleep 1
osc /varnolo/punch_in_out_1_1 f 1.0
heard '"running" 1' 2 || fail "the subscriber did not hear the looper start"
heard '"channel" 1 "sounding"' 2 || fail "the subscriber did not hear channel 1 sounding"
heard '"cycle" [0-9]{5} [0-9]+ 1' 2 || fail "the subscriber did not hear the cycle"
sleep 0.5
capture 1 "$work/playing.wav"
loud "$(tone_rms "$work/playing.wav")" || fail "the loop punched by OSC is not heard"

# Mute on and off (0/1), the volume down and up (0 to 1).
osc /varnolo/mute_1 i 1
heard '"channel" 1 "sounding" 1 0' 2 || fail "the subscriber did not hear the mute"
capture 1 "$work/muted.wav"
quiet "$(tone_rms "$work/muted.wav")" || fail "mute_1 1 did not mute the loop"
osc /varnolo/mute_1 i 0
sleep 0.3
osc /varnolo/loop_volume_1 f 0.0
sleep 0.3
capture 1 "$work/silent.wav"
quiet "$(tone_rms "$work/silent.wav")" || fail "loop_volume_1 0 did not silence the loop"
osc /varnolo/loop_volume_1 f 1.0
sleep 0.3
capture 1 "$work/again.wav"
loud "$(tone_rms "$work/again.wav")" || fail "unmuted and at full volume the loop is not heard"

# A query answers where it is asked to.
: > "$work/dump.txt"
osc /varnolo/get sss cycle "$me" /answer
heard '/answer siii "cycle" [0-9]{5} [0-9]+ [0-9]+' 3 || fail "no answer to the cycle query: $(cat "$work/dump.txt")"

# While the MIDI log is open (the looper stopped, as the menus need), OSC is held off as MIDI is:
# start_stop starts nothing, the notice says why, the log writes the OSC lines.
osc /varnolo/start_stop
heard '"running" 0' 2 || fail "start_stop did not stop the looper"
read -r received0 commands0 ignored0 held0 < <(counts)
menu_item 1 4
window_shown "MIDI log" || fail "the MIDI log did not open from the menu"
log_before=$(window_hash "MIDI log")
osc /varnolo/start_stop
osc /varnolo/no_such_control
sleep 0.5
log_after=$(window_hash "MIDI log")
[[ -n "$shots" ]] && mkdir -p "$shots" && import -window "$(window_id "MIDI log")" "$shots/osc-midi-log.png"
[[ "$log_after" != "$log_before" ]] || fail "the MIDI log wrote no OSC lines"
wait_text "Varnolo 2.1" "Notice Line" 3 "OSC input was ignored" || fail "the notice says '$(text_of "Varnolo 2.1" "Notice Line")', not that OSC was ignored"
keys_to "MIDI log" Escape
window_shown "MIDI log" hidden && fail "the MIDI log did not close"
capture 1 "$work/held.wav"
quiet "$(tone_rms "$work/held.wav")" || fail "start_stop started the looper while the MIDI log was open"
read -r received1 commands1 ignored1 held1 < <(counts)
(( received1 - received0 == 3 && held1 - held0 == 1 && ignored1 - ignored0 == 1 )) ||
  fail "counts while the log was open: received +$((received1 - received0)), held off +$((held1 - held0)), ignored +$((ignored1 - ignored0)) (3, 1, 1 expected)"
osc /varnolo/start_stop
sleep 0.3
capture 1 "$work/restarted.wav"
loud "$(tone_rms "$work/restarted.wav")" || fail "start_stop did not start the looper again"

# A flood: 100 000 messages at about 20 000 a second, four in five malformed.
xruns() { grep -c "XRun" "$work/jack.log"; }
quiet_start=$(xruns)
sleep 5
quiet_xruns=$(( $(xruns) - quiet_start ))
read -r received0 commands0 ignored0 held0 < <(counts)
flood_start=$(xruns)
sent=$(python3 "$tool" flood "$port" 100000 20000) || fail "the flood could not be sent"
sleep 1
flood_xruns=$(( $(xruns) - flood_start ))
kill -0 "$app_pid" 2> /dev/null || fail "the program died in the flood"
read -r received1 commands1 ignored1 held1 < <(counts)
valid=$(awk '{ print $2 }' <<< "$sent")
malformed=$(awk '{ print $4 }' <<< "$sent")
echo "flood: sent $sent; received +$((received1 - received0 - 1)), commands +$((commands1 - commands0)), ignored +$((ignored1 - ignored0)); missed JACK cycles: $flood_xruns in the flood, $quiet_xruns in as long before it"
(( received1 - received0 - 1 == valid + malformed )) || fail "the program received $((received1 - received0 - 1)) of $((valid + malformed)) messages"
(( commands1 - commands0 == valid )) || fail "$((commands1 - commands0)) commands reached the controls, not $valid"
(( ignored1 - ignored0 == malformed )) || fail "$((ignored1 - ignored0)) messages were ignored, not $malformed"
capture 1 "$work/after-flood.wav"
loud "$(tone_rms "$work/after-flood.wav")" || fail "the loop is not heard after the flood"

# The subscription ends when asked to.
osc /varnolo/unsubscribe s "$me"
sleep 0.3
: > "$work/dump.txt"
osc /varnolo/mute_1 i 1
sleep 0.5
grep -q '/varnolo/status' "$work/dump.txt" && fail "an unsubscribed program still hears the status"
[[ -n "$shots" ]] && shot "$shots/osc-after-flood.png"
echo "PASS: OSC drives and tells, and a flood changes nothing"
