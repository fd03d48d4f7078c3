#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# The engine on a real JACK server (dummy backend, a server of the test's own): a tone is played
# into its first input, a one-second loop is recorded from it by commands, and after the tone
# has stopped the loop must still come back in the captured output. Every process started here
# is stopped on exit.
set -u
checker="$1"
work=$(mktemp -d)
jack_pid=""; checker_pid=""; play_pid=""

fail() { echo "FAIL: $*"; exit 1; }
cleanup() {
  for pid in $play_pid $checker_pid $jack_pid; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "${BASH_SOURCE[0]}")/../support/private_jack.sh"
start_private_jack 64 "$work/jack.log"

# 2 seconds of a 440 Hz tone on both channels.
sox -n -r 48000 -c 2 "$work/tone.wav" synth 2 sine 440 gain -6 || fail "sox could not make the tone"

"$checker" 14 > "$work/checker.log" 2>&1 &
checker_pid=$!
for _ in $(seq 400); do jack_lsp 2>/dev/null | grep -q '^Varnolo:in_1$' && break; sleep 0.05; done # up to 20 s on a loaded machine
jack_lsp 2>/dev/null | grep -q '^Varnolo:in_1$' || fail "the engine has no JACK input: $(cat "$work/checker.log")"

# The capture starts before the tone; the checker records its loop once the tone arrives and
# keeps it playing for longer than the capture lasts.
jack_capture -d 10 -p Varnolo:out_1 "$work/out.wav" > "$work/capture.log" 2>&1 &
capture_pid=$!
sleep 0.3
JACK_PLAY_CONNECT_TO="Varnolo:in_%d" jack-play "$work/tone.wav" > "$work/play.log" 2>&1 &
play_pid=$!

wait "$capture_pid" || fail "jack_capture failed: $(tail -n 3 "$work/capture.log")"
wait "$checker_pid"; status=$?; checker_pid=""
(( status == 0 )) || fail "the engine check failed ($status): $(cat "$work/checker.log") $(cat "$work/play.log")"
grep -q "main loop: [1-9]" "$work/checker.log" || fail "no main loop was recorded: $(cat "$work/checker.log")"

rms() { sox "$work/out.wav" -n trim "$1" "$2" stat 2>&1 | awk '/RMS +amplitude/ { print $3 }'; }
before=$(rms 0 0.2)
after=$(rms 8.3 1.5) # the engine plays on well past the capture's end
awk -v b="$before" -v a="$after" 'BEGIN { exit !(b < 0.001 && a > 0.05) }' \
  || fail "expected silence before the tone and the loop long after it (rms before $before, after $after; $(cat "$work/checker.log"))"

echo "PASS: a loop recorded on JACK plays back after its input stopped (rms before $before, after $after)"
