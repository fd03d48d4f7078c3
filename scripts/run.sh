#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# Installs what is missing, builds a Release and starts the application. On a machine where
# no audio device can be opened (no sound card, no JACK server), a private JACK server with
# the dummy backend is started first so the application runs, and stopped when it quits.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

bash "$root/scripts/install-deps.sh"

build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARNOLO_BENCH=OFF
cmake --build "$build" --target Varnolo -j "$(nproc)"

jack_running() { JACK_NO_START_SERVER=1 jack_lsp >/dev/null 2>&1; }
has_sound_card() { [[ -r /proc/asound/cards ]] && grep -qE '^ *[0-9]+ ' /proc/asound/cards; }

jack_pid=""
cleanup() { [[ -n "$jack_pid" ]] && kill "$jack_pid" 2>/dev/null || true; }
trap cleanup EXIT

if ! jack_running && ! has_sound_card; then
  echo "No sound card and no JACK server found: starting a private JACK server with the dummy backend"
  echo "(jackd --no-realtime -d dummy -r 48000 -p 64). It stops when the application quits."
  JACK_NO_AUDIO_RESERVATION=1 jackd --no-realtime -d dummy -r 48000 -p 64 >/dev/null 2>&1 &
  jack_pid=$!
  for _ in $(seq 50); do jack_running && break; sleep 0.1; done
  jack_running || echo "The JACK server did not start; the application will run without audio."
fi

"$build/app/Varnolo"
