#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# The render tool from the command line: a good script writes its WAV files, a bad one stops
# with a one-line error naming the line and writes nothing.
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
  > "$work/log" 2>&1 || fail "good script failed: $(cat "$work/log")"
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

echo "PASS: render tool writes good performances and refuses bad scripts"
