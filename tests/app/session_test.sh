#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# Sessions with a session manager, under Xvfb with the application on a private JACK server.
#
# A small manager written for the test (OSC on loopback) is named in NSM_URL: the program
# announces itself, is told to open a session folder, records a loop by the performer's clicks and
# says it has unsaved changes; the manager asks for a save while the loop plays and a capture
# runs: the capture repeats at the loop's length, sample for sample, through the save (no cycle
# missed, nothing changed), the folder holds the document and the loop's file, and the program
# says it is clean. The manager hides and shows the window. The program is stopped as a manager
# stops it (SIGTERM), started again, told to open the same folder: the loop plays again, through
# the bus effect the session kept (swh's amplifier at -6 dB, which the settings put on the bus
# at the first start and no longer hold at the second).
#   session_test.sh APP SCREEN_PROBE NSM_TEST_MANAGER [SCREENSHOT_FOLDER]
set -u
app="$1"
probe="$2"
manager_tool="$3"
shots="${4:-}"
source "$(dirname "${BASH_SOURCE[0]}")/../support/test_env.sh"
manager_pid=""
trap 'kill $manager_pid 2> /dev/null; cleanup' EXIT

start_private_jack 1024 "$work/jack.log"
[[ -n "$shots" ]] && mkdir -p "$shots"
start_settings << 'EOF'
  <VALUE name="busEffect">
    <BUS_EFFECT uri="http://plugin.org.uk/swh-plugins/amp" bypassed="0">
      <PARAM symbol="gain" value="-6"/>
    </BUS_EFFECT>
  </VALUE>
EOF

# The manager: commands on a pipe, everything it hears in a file.
mkfifo "$work/to-manager"
"$manager_tool" < "$work/to-manager" > "$work/manager.log" 2>&1 &
manager_pid=$!
exec 7> "$work/to-manager"
for _ in $(seq 50); do grep -q '^url ' "$work/manager.log" && break; sleep 0.1; done
export NSM_URL=$(awk '/^url / { print $2; exit }' "$work/manager.log")
[[ -n "$NSM_URL" ]] || fail "the test's session manager did not start"
heard() { # heard PATTERN [SECONDS]: whether the manager received a matching line
  for _ in $(seq $((${2:-5} * 10))); do grep -qE "$1" "$work/manager.log" && return 0; sleep 0.1; done
  return 1
}

sox -n -r 48000 -c 2 "$work/tone.wav" synth 2.5 sine 440 sine 440 remix 1 0 gain -6 || fail "sox could not make the tone"

start_screen 1920 1080
heard '^/nsm/server/announce Varnolo :dirty:optional-gui:switch: Varnolo 1 2 [0-9]+$' ||
  fail "the program did not announce itself: $(cat "$work/manager.log")"
session="$work/sessions/Varnolo.nTEST"
echo "open $session Varnolo nTEST" >&7
heard '^/reply /nsm/client/open OK$' || fail "the open was not answered: $(cat "$work/manager.log")"
wait_window "Varnolo 2\\.1 - Varnolo\\.nTEST" 5 > /dev/null || fail "the title does not name the session"

# A main loop from the tone, by the performer's clicks: the program is dirty now.
wait_port Varnolo:in_1 || fail "no input port"
JACK_PLAY_CONNECT_TO="Varnolo:in_%d" jack-play "$work/tone.wav" > "$work/play.log" 2>&1 &
play_pid=$!
sleep 0.4
click "Punch In Out 1 1"
sleep 1.0
click "Punch In Out 1 1"
sleep 1.5
heard '^/nsm/client/is_dirty$' || fail "the program did not say it has unsaved changes"
[[ -n "$shots" ]] && shot "$shots/session-dirty.png"

# A save while the loop plays and a capture runs.
jack_capture -d 4 -p Varnolo:out_1 "$work/during-save.wav" > "$work/capture.log" 2>&1 &
capture_pid=$!
sleep 1.5
echo "save" >&7
heard '^/reply /nsm/client/save OK$' 10 || fail "the save was not answered: $(cat "$work/manager.log")"
wait "$capture_pid" || fail "jack_capture failed"
capture_pid=""
[[ -s "$session/session.xml" && -s "$session/loop-0001.wav" ]] || fail "the session folder lacks its files: $(ls -R "$work/sessions")"
heard '^/nsm/client/is_clean$' || fail "after the save the program did not say it is clean"
grep -q '<BUS_EFFECT uri="http://plugin.org.uk/swh-plugins/amp"' "$session/session.xml" ||
  fail "the session does not keep the bus effect: $(cat "$session/session.xml")"

length=$(tr '\n' ' ' < "$session/session.xml" | sed -nE 's/.*<LOOP kind="main"[^>]* length="([0-9]+)".*/\1/p')
[[ -n "$length" ]] || fail "no main loop in the document: $(cat "$session/session.xml")"
sox "$work/during-save.wav" -t f32 -c 1 "$work/during-save.raw" || fail "sox could not read the capture"
python3 - "$work/during-save.raw" "$length" << 'PY' || fail "the output changed during the save"
import array, sys
samples = array.array("f", open(sys.argv[1], "rb").read())
length = int(sys.argv[2])
start = next(i for i, x in enumerate(samples) if abs(x) > 0.01) + 4800  # the loop sounding
worst = max(abs(samples[t] - samples[t + length]) for t in range(start, len(samples) - length - 4800))
loud = max(abs(x) for x in samples[start:])
print(f"capture: {len(samples)} samples, loop {length}, worst difference a loop apart {worst:.2e}, peak {loud:.3f}")
sys.exit(0 if worst < 1e-6 and loud > 0.05 else 1)
PY

# The manager hides and shows the window.
echo "hide" >&7
heard '^/nsm/client/gui_is_hidden$' || fail "hiding was not confirmed"
xdotool search --onlyvisible --name "^Varnolo 2\\.1 - " > /dev/null 2>&1 && fail "the window did not hide"
echo "show" >&7
wid=$(wait_window "Varnolo 2\\.1 - Varnolo\\.nTEST" 5) || fail "the window did not show again"

# Stopped as a manager stops its clients, started again, the same folder opened: the loop is back.
kill "$app_pid"
wait "$app_pid" 2> /dev/null
app_pid=""
grep -q busEffect "$settings" || fail "the settings file lost the bus effect"
python3 - "$settings" << 'PY' || fail "the bus effect could not be taken out of the settings"
import re, sys
text = open(sys.argv[1]).read()
open(sys.argv[1], "w").write(re.sub(r'<VALUE name="busEffect">.*?</VALUE>', "", text, flags=re.S))
PY
grep -q busEffect "$settings" && fail "the bus effect is still in the settings"
: > "$work/manager.log"
VARNOLO_LAYOUT_MAP="$work/map.txt" "$app" > "$work/app.log" 2>&1 &
app_pid=$!
heard '^/nsm/server/announce Varnolo' 30 || fail "the program did not announce itself again"
echo "open $session Varnolo nTEST" >&7
heard '^/reply /nsm/client/open OK$' 10 || fail "the reopen was not answered: $(cat "$work/manager.log")"
wid=$(wait_window "Varnolo 2\\.1 - Varnolo\\.nTEST" 30) || fail "the reopened window does not name the session"
sleep 2.5 # the splash screen goes
eval "$(xdotool getwindowgeometry --shell "$wid")"
xdotool key space
sleep 0.5
jack_capture -d 2 -p Varnolo:out_1 "$work/reopened.wav" > "$work/capture.log" 2>&1 || fail "jack_capture failed"
l=$(sox "$work/reopened.wav" -n stat 2>&1 | awk '/RMS +amplitude/ { print $3 }')
# The loop plays at an RMS of 0.25 dry; the amplifier at -6 dB halves it.
above "$l" 0.1 && above 0.15 "$l" || fail "the reopened session's loop is not heard through its effect (rms $l, 0.126 expected)"
[[ -n "$shots" ]] && shot "$shots/session-reopened.png"
exec 7>&-
echo "PASS: the session manager opens, saves during playback without a change in the sound, hides, shows and reopens"
