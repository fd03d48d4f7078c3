#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# Sessions through the render tool: a saved session opens again, and every way a session can be
# damaged or a save can fail is refused with the file and the reason, with nothing half-loaded
# and the previous session left whole.
set -u
tool="$1"
work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
digest() { (cd "$1" && find . -type f -print0 | sort -z | xargs -0 md5sum | md5sum | cut -c1-32); }

# A main loop of three seconds and a secondary loop over it: a little more than a megabyte.
cat > "$work/take.txt" <<'SCRIPT'
4800 punch 0 1 0
148800 punch 0 1 0
150000 punch 0 1 0
160000 punch 0 1 0
SCRIPT
render() { "$tool" --script "$work/take.txt" --out "$work/out.wav" --signal noise --seconds 4 "$@"; }
render --save-session "$work/song" > "$work/log" 2>&1 || fail "the save failed: $(cat "$work/log")"
[[ -s "$work/song/session.xml" && -s "$work/song/loop-0001.wav" && -s "$work/song/loop-0002.wav" ]] ||
  fail "the session folder lacks its files: $(ls "$work/song")"
grep -q 'format="2"' "$work/song/session.xml" || fail "the document has no format number"
before=$(digest "$work/song")

: > "$work/none.txt"
opened() { timeout 20 "$tool" --script "$work/none.txt" --out "$work/resumed.wav" --signal noise --seconds 1 --session "$@"; }
opened "$work/song" > "$work/log" 2>&1 || fail "the saved session did not open: $(cat "$work/log")"

# Each damage refused, naming what is wrong, and no output written.
refused() { # refused CASE-FOLDER EXPECTED-TEXT [more render options]
  local folder=$1 text=$2
  shift 2
  rm -f "$work/resumed.wav"
  if opened "$folder" "$@" > "$work/log" 2>&1; then fail "$folder was opened: $text expected"; fi
  grep -q -- "$text" "$work/log" || fail "refusing $folder: '$(cat "$work/log")', not '$text'"
  [[ ! -e "$work/resumed.wav" ]] || fail "refusing $folder, the render still ran"
}
damaged() { rm -rf "$work/$1" && cp -r "$work/${2:-song}" "$work/$1"; }

damaged cut && truncate -s -400 "$work/cut/loop-0002.wav"
refused "$work/cut" "loop-0002.wav is cut short"
damaged missing && rm "$work/missing/loop-0001.wav"
refused "$work/missing" "loop-0001.wav is missing"
damaged format && sed -i 's/format="2"/format="7"/' "$work/format/session.xml"
refused "$work/format" "its format is number 7"
damaged garbled && printf '<VARNOLO_SESSION format="1"' > "$work/garbled/session.xml"
refused "$work/garbled" "session.xml cannot be read"
damaged binary && printf '<N>\377' > "$work/binary/session.xml"
refused "$work/binary" "it is not a text document"
# A damaged document on which the framework's XML reader never returns: refused at once.
damaged stuck && cp "$(dirname "${BASH_SOURCE[0]}")/../fuzz/seeds/fuzz_session_document/hangs-the-framework-reader.xml" \
  "$work/stuck/session.xml"
refused "$work/stuck" "it is not a session document"
damaged outside && sed -i 's|file="loop-0001.wav"|file="../take.txt"|' "$work/outside/session.xml"
refused "$work/outside" "not a file name of its own"
refused "$work/song" "recorded at 48000 Hz and the device runs at 44100 Hz" --rate 44100
refused "$work/song" "MB of sample memory" --pool-mb 1

# A save into a folder the program may not write: said, and nothing else changed.
if [[ $(id -u) -eq 0 ]] && command -v setpriv > /dev/null; then
  mkdir -p "$work/locked" && cp -r "$work/song" "$work/locked/song" && chmod 555 "$work/locked"
  chmod -R a+rX "$work"
  locked_before=$(digest "$work/locked/song")
  if setpriv --reuid=65534 --regid=65534 --clear-groups "$tool" --script "$work/take.txt" --out /tmp/varnolo-locked-$$.wav \
    --signal noise --seconds 4 --save-session "$work/locked/song" > "$work/log" 2>&1; then
    fail "a save into a folder without write permission was reported as done"
  fi
  rm -f /tmp/varnolo-locked-$$.wav
  grep -q "could not create" "$work/log" || fail "no reason for the refused save: $(cat "$work/log")"
  [[ $(digest "$work/locked/song") == "$locked_before" ]] || fail "the refused save changed the session"
fi

# A disk that fills during the save (a file size limit): the earlier session stays whole.
if (trap '' XFSZ; ulimit -f 100; render --save-session "$work/song") > "$work/log" 2>&1; then
  fail "a save that ran out of room was reported as done"
fi
grep -q "is the disk full" "$work/log" || fail "no reason for the failed save: $(cat "$work/log")"
[[ $(digest "$work/song") == "$before" ]] || fail "the failed save changed the earlier session"
[[ ! -e "$work/song.saving" ]] || fail "the failed save left its folder behind"

# What a crash in the middle of a save leaves (a new folder never swapped in) does not matter:
# the session opens, and the next save clears it away.
mkdir -p "$work/song.saving" && echo half > "$work/song.saving/loop-0001.wav"
opened "$work/song" > "$work/log" 2>&1 || fail "the session did not open beside a crashed save: $(cat "$work/log")"
render --save-session "$work/song" > "$work/log" 2>&1 || fail "saving over a crashed save failed: $(cat "$work/log")"
[[ ! -e "$work/song.saving" ]] || fail "the crashed save's folder is still there"
[[ $(digest "$work/song") == "$before" ]] || fail "the same performance saved again differs"

# The bus effect goes with the session: saved with the amplifier at -6 dB, the session opened
# alone plays at half the level of the same session without it. A damaged effect is refused; a
# document of the first format, which kept no effect, still opens.
amp=http://plugin.org.uk/swh-plugins/amp
rms() { sox "$1" -n stat 2>&1 | awk '/RMS +amplitude/ { print $3 }'; }
render --save-session "$work/wet" --bus-effect "$amp" --param gain=-6 > "$work/log" 2>&1 ||
  fail "the save with an effect failed: $(cat "$work/log")"
grep -q "<BUS_EFFECT uri=\"$amp\" bypassed=\"0\">" "$work/wet/session.xml" || fail "the document does not keep the effect"
opened "$work/song" > "$work/log" 2>&1 && cp "$work/resumed.wav" "$work/dry.wav" || fail "the dry session did not open"
opened "$work/wet" > "$work/log" 2>&1 || fail "the session with an effect did not open: $(cat "$work/log")"
awk -v a="$(rms "$work/resumed.wav")" -v d="$(rms "$work/dry.wav")" 'BEGIN { r = a / d; exit !(r > 0.5 && r < 0.502) }' ||
  fail "the session's effect at -6 dB gave $(rms "$work/resumed.wav") for $(rms "$work/dry.wav") dry"
damaged badeffect wet && sed -i 's/symbol="gain" value="[^"]*"/symbol="gain" value="nan"/' "$work/badeffect/session.xml"
refused "$work/badeffect" "a control of the bus effect"
damaged missingeffect wet && sed -i "s|$amp|http://example.org/none|" "$work/missingeffect/session.xml"
refused "$work/missingeffect" "the session's bus effect cannot be made"
damaged first && sed -i 's/format="2"/format="1"/' "$work/first/session.xml"
opened "$work/first" > "$work/log" 2>&1 || fail "a document of format 1 did not open: $(cat "$work/log")"
cmp -s "$work/resumed.wav" "$work/dry.wav" || fail "a document of format 1 does not play as it did"

echo "PASS: sessions save, open, and refuse damage with the reason; the bus effect goes with them"
