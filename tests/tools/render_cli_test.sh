#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# The render tool from the command line: a good script writes its WAV files and its status
# file, a bad one stops with a one-line error naming the line and writes nothing, and so does an
# unknown option or a bad value; an LV2 effect on the bus changes the output as computed, and
# bypassed leaves it to the bit.
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
amp=http://plugin.org.uk/swh-plugins/amp
for bad in "--bogus 5" "--block 0" "--cursors 3" "--pool-mb x" "--input-latency -4" "--latency-offset-ms 26" "--seconds abc" \
  "--bus-effect http://example.org/none" "--bus-effect $amp --param volume=3" "--bus-effect $amp --param gain=loud" \
  "--bus-effect $amp --bypass 2" "--param gain=1"; do
  # shellcheck disable=SC2086
  if "$tool" --script "$work/good.txt" --out "$work/refused.wav" --signal sine $bad > "$work/log" 2>&1; then
    fail "'$bad' was accepted"
  fi
  [[ ! -e "$work/refused.wav" ]] || fail "'$bad' wrote output"
done

# An LV2 amplifier on the bus at -6 dB halves the output (10^(-6/20) = 0.501); bypassed, the
# output is the dry one to the bit.
rms() { sox "$1" -n stat 2>&1 | awk '/RMS +amplitude/ { print $3 }'; }
"$tool" --script "$work/good.txt" --out "$work/amp.wav" --signal sine --seconds 2 --bus-effect "$amp" --param gain=-6 \
  > "$work/log" 2>&1 || fail "the bus effect failed: $(cat "$work/log")"
"$tool" --script "$work/good.txt" --out "$work/dry.wav" --signal sine --seconds 2 > /dev/null 2>&1 || fail "the dry render failed"
"$tool" --script "$work/good.txt" --out "$work/bypassed.wav" --signal sine --seconds 2 --bus-effect "$amp" --param gain=-6 \
  --bypass 1 > /dev/null 2>&1 || fail "the bypassed render failed"
awk -v a="$(rms "$work/amp.wav")" -v d="$(rms "$work/dry.wav")" 'BEGIN { r = a / d; exit !(r > 0.5 && r < 0.502) }' ||
  fail "-6 dB gave $(rms "$work/amp.wav") for $(rms "$work/dry.wav") dry"
cmp -s "$work/dry.wav" "$work/bypassed.wav" || fail "the bypassed effect changed the output"

echo "PASS: render tool writes good performances and refuses bad scripts and options"
