# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# Sourced first by the window tests, once app, probe and shots are set: a work folder, fail (which
# shows the end of the program's log), a cleanup on exit that stops every process the test
# started (kept in the *_pid variables below), the JACK and screen helpers, and a HOME of the
# test's own, so the settings file lands in $HOME/.config/Varnolo/. KEEP_WORK=1 keeps the work
# folder for a look afterwards.
work=$(mktemp -d)
app_args=(); xvfb_pid=""; app_pid=""; jack_pid=""; capture_pid=""; play_pid=""; burst_pid=""

fail() {
  echo "FAIL: $*"
  [[ -f "$work/app.log" ]] && grep -v BadAtom "$work/app.log" | tail -n 8
  exit 1
}
cleanup() {
  for pid in $burst_pid $play_pid $capture_pid $app_pid $jack_pid $xvfb_pid; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  if [[ -n "${KEEP_WORK:-}" ]]; then echo "work files kept in $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

source "$(dirname "${BASH_SOURCE[0]}")/private_jack.sh"
source "$(dirname "${BASH_SOURCE[0]}")/screen_driver.sh"
export HOME="$work/home"
mkdir -p "$HOME"
settings="$HOME/.config/Varnolo/Varnolo.settings"

# The settings file the program starts with: the VALUE elements given on standard input, in the
# file's document.
start_settings() {
  mkdir -p "$(dirname "$settings")"
  {
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<PROPERTIES>\n'
    cat
    printf '</PROPERTIES>\n'
  } > "$settings"
}

# The program's MIDI ports on the JACK server.
midi_in_port="Varnolo:midi_in"
midi_out_port="Varnolo:midi_out"

# Waits up to five seconds for a JACK port to exist: wait_port NAME.
wait_port() {
  for _ in $(seq 100); do jack_lsp 2> /dev/null | grep -qx -- "$1" && return 0; sleep 0.05; done
  return 1
}

# RMS of the 440 Hz band of a capture, from second $2 for $3 seconds (the whole file without them).
tone_rms() {
  if [[ $# -ge 3 ]]; then
    sox "$1" -n trim "$2" "$3" sinc 380-500 stat 2>&1 | awk '/RMS +amplitude/ { print $3 }'
  else
    sox "$1" -n sinc 380-500 stat 2>&1 | awk '/RMS +amplitude/ { print $3 }'
  fi
}
