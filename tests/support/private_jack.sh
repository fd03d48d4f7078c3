# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# Sourced by the tests that need a JACK server: start_private_jack PERIOD LOG starts one with the
# dummy backend under a name of the test's own (never the machine's server), sets jack_pid, and
# fails the test when it does not come up. The caller stops it on exit.
start_private_jack() {
  export JACK_DEFAULT_SERVER="varnolo-test-$$-$RANDOM"
  export JACK_NO_START_SERVER=1
  export JACK_NO_AUDIO_RESERVATION=1
  jackd --no-realtime -d dummy -r 48000 -p "$1" > "$2" 2>&1 &
  jack_pid=$!
  for _ in $(seq 100); do jack_lsp > /dev/null 2>&1 && return 0; sleep 0.1; done
  fail "the test's JACK server did not start: $(tail -n 3 "$2")"
}
