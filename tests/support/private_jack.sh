# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# Sourced by the tests that need a JACK server: start_private_jack PERIOD LOG starts one with the
# dummy backend under the tests' own name (never the machine's server), sets jack_pid, and fails
# the test when it does not come up. The caller stops it on exit.
#
# JACK keeps its servers in a registry of eight places that only a clean exit frees; a server
# killed outright (as the device return test does on purpose) holds its place for good, unless
# the next one has the same name. So every test uses one name, which the window and device tests
# can share because they run one at a time. Places held by dead servers under other names fill
# the registry until nothing starts; the registry is cleared then, once, if no JACK server at
# all runs on the machine.
start_private_jack() {
  export JACK_DEFAULT_SERVER="varnolo-test"
  export JACK_NO_START_SERVER=1
  export JACK_NO_AUDIO_RESERVATION=1
  local attempt
  for attempt in 1 2; do
    jackd --no-realtime -d dummy -r 48000 -p "$1" > "$2" 2>&1 &
    jack_pid=$!
    for _ in $(seq 100); do
      jack_lsp > /dev/null 2>&1 && return 0
      kill -0 "$jack_pid" 2>/dev/null || break
      sleep 0.1
    done
    if [[ $attempt == 1 ]] && grep -q "Too many servers" "$2" && ! pgrep -x jackd > /dev/null; then
      echo "clearing a JACK server registry full of servers that are gone"
      rm -f /dev/shm/jack-shm-registry
      continue
    fi
    break
  done
  fail "the test's JACK server did not start: $(grep -v -e '^Copyright' -e 'WARRANTY' -e 'under certain' -e 'free software' "$2" | tail -n 3)"
}
