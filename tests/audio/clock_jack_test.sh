#!/usr/bin/env bash
# The MIDI clock on the program's JACK MIDI output, on a JACK server of the test's own (dummy
# backend, 256-frame periods): the checker records a main loop with a tapped tempo and checks
# every clock byte's frame through 100 cycles, a stop and start, a resync and a change of
# direction. Every process started here is stopped on exit.
set -u
checker="$1"
work=$(mktemp -d)
jack_pid=""

fail() { echo "FAIL: $*"; exit 1; }
cleanup() {
  [[ -n "$jack_pid" ]] && kill "$jack_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "${BASH_SOURCE[0]}")/../support/private_jack.sh"
start_private_jack 256 "$work/jack.log"

# A machine too busy to keep its cycles (the server reports them missed) shifts the ticks of those
# cycles, as it does the audio: such a run is tried again, up to three times in all.
for attempt in 1 2 3; do
  HOME="$work" "$checker" > "$work/checker.log" 2>&1
  status=$?
  cat "$work/checker.log"
  (( status == 0 )) && break
  grep -q "reported 0 missed cycles" "$work/checker.log" && break
  echo "-- missed cycles on a busy machine: again"
done
(( status == 0 )) || fail "the clock check failed ($status)"
echo "PASS: the MIDI clock on JACK follows the loop to the sample"
