#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# The audio server goes away under a performance and comes back: the application under Xvfb
# on a private JACK server records a one-second loop from a 440 Hz tone with the mouse; the
# server is killed (SIGKILL), and the status line and the notice say so; a new server under the
# same name brings the program's ports back within a few seconds, and the captured output holds
# the same loop. Then the program is started with no server at all, and a server started later
# is found and used the same way.
#   device_return_test.sh APP SCREEN_PROBE [SCREENSHOT_FOLDER]
set -u
app="$1"
probe="$2"
shots="${3:-}"
source "$(dirname "${BASH_SOURCE[0]}")/../support/test_env.sh"

window="Varnolo 2.1"

# The same server again, under the name the first one had.
restart_jack() {
  jackd --no-realtime -d dummy -r 48000 -p 256 > "$work/jack-again.log" 2>&1 &
  jack_pid=$!
}
wait_ports() { # up to $1 seconds for the program's audio and MIDI ports
  local i
  for i in $(seq $(($1 * 10))); do
    jack_lsp 2>/dev/null | grep -q '^Varnolo:out_1$' && jack_lsp 2>/dev/null | grep -q '^Varnolo:midi_in$' && return 0
    sleep 0.1
  done
  return 1
}
rms440() { sox "$1" -n sinc 380-500 stat 2>&1 | awk '/RMS +amplitude/ { print $3 }'; }

sox -n -r 48000 -c 2 "$work/tone.wav" synth 3 sine 440 sine 440 remix 1 0 gain -6 || fail "sox could not make the tone"

# 1. A loop, then the server dies and returns.
start_private_jack 256 "$work/jack.log"
start_screen 1920 1080
wait_ports 20 || fail "the application has no JACK ports"
JACK_PLAY_CONNECT_TO="Varnolo:in_%d" jack-play "$work/tone.wav" > "$work/play.log" 2>&1 &
play_pid=$!
sleep 0.7
click "Punch In Out 1 1"
sleep 1.0
click "Punch In Out 1 1"
wait "$play_pid"; play_pid=""
sleep 0.5

kill -KILL "$jack_pid"; wait "$jack_pid" 2>/dev/null; jack_pid=""
wait_text "$window" "Device Status" 5 "Audio device lost" \
  || fail "the status line does not say the device is lost: '$(text_of "$window" "Device Status")'"
wait_text "$window" "Notice Line" 2 "The audio device stopped" \
  || fail "no notice of the lost device: '$(text_of "$window" "Notice Line")'"
kill -0 "$app_pid" 2>/dev/null || fail "the application did not survive its server"
shot "$work/lost.png"
sleep 1.5 # a few attempts while no server runs

restart_jack
back_from=$(date +%s.%N)
wait_ports 20 || fail "the program's ports did not come back: $(jack_lsp 2>&1 | head -n 8)"
back_after=$(awk -v s="$back_from" -v now="$(date +%s.%N)" 'BEGIN { printf "%.1f", now - s }')
wait_text "$window" "Device Status" 3 "48.0 kHz" || fail "the status line does not show the device: '$(text_of "$window" "Device Status")'"
wait_text "$window" "Notice Line" 2 "The audio device is back" || fail "no notice of the device's return: '$(text_of "$window" "Notice Line")'"

jack_capture -d 2.5 -p Varnolo:out_1 "$work/back.wav" > "$work/capture.log" 2>&1 || fail "jack_capture failed: $(tail -n 3 "$work/capture.log")"
for s in 0.2 0.7 1.2 1.7; do
  r=$(sox "$work/back.wav" -n trim "$s" 0.5 sinc 380-500 stat 2>&1 | awk '/RMS +amplitude/ { print $3 }')
  above "$r" 0.05 || fail "the loop is not heard after the server came back (440 Hz rms $r at second $s)"
done
shot "$work/back.png"
[[ -n "$shots" ]] && mkdir -p "$shots" && cp "$work/lost.png" "$shots/device-lost.png" && cp "$work/back.png" "$shots/device-back.png"

kill "$app_pid"; wait "$app_pid" 2>/dev/null; app_pid=""
kill "$jack_pid"; wait "$jack_pid" 2>/dev/null; jack_pid=""
kill "$xvfb_pid"; wait "$xvfb_pid" 2>/dev/null; xvfb_pid=""

# 2. No server when the program starts; one comes later.
start_screen 1920 1080
wait_text "$window" "Device Status" 5 "No audio device" || fail "the status line does not say there is no device: '$(text_of "$window" "Device Status")'"
sleep 1.5
restart_jack
wait_ports 20 || fail "the program did not find a server started after it"
wait_text "$window" "Device Status" 3 "48.0 kHz" || fail "the status line does not show the device: '$(text_of "$window" "Device Status")'"

echo "PASS: the device lost is told, the loop plays on when the server returns (ports back in ${back_after} s), and a server started later is found"
