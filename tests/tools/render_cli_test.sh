#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# The render tool from the command line: a good script writes its WAV files and its status
# file, a bad one stops with a one-line error naming the line and writes nothing, and so does an
# unknown option or a bad value.
set -u
tool="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cat > "$work/good.txt" <<'SCRIPT'
# main loop of about half a second, then a stop
4800 punch 0 1 0
28800 punch 0 1 0
90000 startstop
SCRIPT
"$tool" --script "$work/good.txt" --out "$work/out.wav" --signal sine --seconds 2 --block 128 --stems "$work/stems" \
  --input-latency 64 --output-latency 128 --latency-offset-ms 1 --pool-mb 64 --cursors 2 --status "$work/status.txt" \
  > "$work/log.good" 2>&1 || fail "good script failed: $(cat "$work/log.good")"
[[ -s "$work/out.wav" ]] || fail "no output written"
[[ -s "$work/stems/loop-channel-1.wav" ]] || fail "no stem written"

printf '10 undo\n20 punch 0 1\n' > "$work/bad.txt"
if "$tool" --script "$work/bad.txt" --out "$work/bad.wav" --signal sine > "$work/log" 2>&1; then
  fail "a bad script was accepted"
fi
grep -q "bad.txt:2: punch takes 3 fields, not 2" "$work/log" || fail "unclear error: $(cat "$work/log")"
[[ ! -e "$work/bad.wav" ]] || fail "a bad script wrote output"

if "$tool" --script "$work/missing.txt" --out "$work/bad.wav" --signal sine > "$work/log" 2>&1; then
  fail "a missing script was accepted"
fi
grep -q "no script file" "$work/log" || fail "unclear error for a missing script: $(cat "$work/log")"

# No MIDI device is looked for: nothing about a MIDI sequencer on a machine without one.
grep -qi "seq" "$work/log.good" && fail "the render opened a MIDI device: $(cat "$work/log.good")"

# The status file: one line a block (2 s at 128 is 750 blocks), recording after the first press.
[[ $(wc -l < "$work/status.txt") -eq 750 ]] || fail "status lines: $(wc -l < "$work/status.txt")"
grep -q "^4864 playing=1 .* main=1 .* recin=0x1 " "$work/status.txt" || fail "no recording in the status: $(sed -n 39p "$work/status.txt")"

"$tool" --help > "$work/help" 2>&1 || fail "--help failed"
grep -q -- "--latency-offset-ms" "$work/help" || fail "--help without the options"

# Unknown options and bad values are refused, nothing written.
for bad in "--bogus 5" "--block 0" "--cursors 3" "--pool-mb x" "--input-latency -4" "--latency-offset-ms 26" "--seconds abc"; do
  # shellcheck disable=SC2086
  if "$tool" --script "$work/good.txt" --out "$work/refused.wav" --signal sine $bad > "$work/log" 2>&1; then
    fail "'$bad' was accepted"
  fi
  [[ ! -e "$work/refused.wav" ]] || fail "'$bad' wrote output"
done

echo "PASS: render tool writes good performances and refuses bad scripts and options"
