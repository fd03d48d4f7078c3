#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# Starts the real application in a real window under Xvfb, on a private JACK server with the
# dummy backend, and drives it as a performer would: the window appears in the program's colour
# with the engine running on the JACK device, the settings file is written, a second start opens
# no second window, the close button asks before quitting ("cancel" keeps it running and
# visible), and Ctrl+Q answered with "yes" quits cleanly and saves the device state. Without any
# audio device the application still starts and says so.
set -u
app="$1"
title="Varnolo 2.1"
work=$(mktemp -d)
xvfb_pid=""; app_pid=""; jack_pid=""

fail() { echo "FAIL: $*"; exit 1; }
cleanup() {
  [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null
  [[ -n "$jack_pid" ]] && kill "$jack_pid" 2>/dev/null
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "${BASH_SOURCE[0]}")/../support/private_jack.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/screen_driver.sh"
start_private_jack 256 "$work/jack.log"

# Our own display, chosen by Xvfb itself so parallel runs never collide.
exec 5> "$work/display"
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.05; done
[[ -s "$work/display" ]] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"

# A home of its own: the settings file lands in $HOME/.config/Varnolo/.
export HOME="$work/home"
mkdir -p "$HOME"
settings="$HOME/.config/Varnolo/Varnolo.settings"

"$app" > "$work/app.log" 2>&1 &
app_pid=$!

wid=$(wait_window "$title" 60)
[[ -n "$wid" ]] || fail "main window did not appear"
# The splash screen over the window goes two seconds after it came.
sleep 3

[[ -f "$settings" ]] || fail "settings file not written at $settings"
jack_lsp | grep -q "^Varnolo:" || fail "the engine is not running on the JACK server: $(jack_lsp | tr '\n' ' ')"
grep -q 'name="latencyOffsetMs" val="10"' "$settings" || fail "settings file lacks the default latency offset"

eval "$(xdotool getwindowgeometry --shell "$wid")"
(( WIDTH == 1226 && HEIGHT == 981 )) || fail "window is ${WIDTH}x${HEIGHT}, expected 23/24 of 1280x1024"

# The body of the window shows the program's background colour.
import -window root "$work/shot.png" || fail "screenshot failed"
# (Near the right edge at mid height, right of the bus strip: no panel reaches there.)
pixel=$(convert "$work/shot.png" -crop "1x1+$((X + WIDTH * 95 / 100))+$((Y + HEIGHT / 2))" -depth 8 txt:- | tail -n1)
[[ "$pixel" == *"#1A0001"* ]] || fail "window body is not the background colour: $pixel"

# A second start exits at once and opens no second window.
timeout 30 "$app" > "$work/second.log" 2>&1 || fail "second instance did not exit cleanly"
count=$(xdotool search --onlyvisible --name "^$title\$" | wc -l)
(( count == 1 )) || fail "$count main windows after a second start"
kill -0 "$app_pid" 2>/dev/null || fail "first instance died when a second one started"

# The close button asks; Escape cancels and the window comes back.
xdotool mousemove --sync $((X + WIDTH - 17)) $((Y + 13)) click 1
sleep 1.5
box=$(xdotool search --onlyvisible --name "^$title\$" | grep -v "^$wid\$" | head -n1)
[[ -n "$box" ]] || fail "no quit question after the close button"
xdotool key --window "$box" Escape
sleep 1.5
kill -0 "$app_pid" 2>/dev/null || fail "application quit although the question was cancelled"
xdotool search --onlyvisible --name "^$title\$" | grep -q "^$wid\$" || fail "main window not visible after cancelling"

# Ctrl+Q asks the same question; Return answers yes and the application quits.
xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
sleep 0.5
xdotool key --window "$wid" ctrl+q
sleep 1.5
box=$(xdotool search --onlyvisible --name "^$title\$" | grep -v "^$wid\$" | head -n1)
[[ -n "$box" ]] || fail "no quit question after Ctrl+Q"
xdotool key --window "$box" Return

for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "application still running after answering yes"
wait "$app_pid"; status=$?
app_pid=""
(( status == 0 )) || fail "application exited with status $status"
grep -q 'name="windowState"' "$settings" || fail "window state not saved at exit"
grep -q 'name="audioDeviceState"' "$settings" || fail "device state not saved at exit"

# Without any device: the window still comes up, with the no-device message beside it.
kill "$jack_pid"; wait "$jack_pid" 2>/dev/null; jack_pid=""
"$app" > "$work/nodevice.log" 2>&1 &
app_pid=$!
wait_window "$title" 60 > /dev/null || fail "no window without a device"
sleep 1.5
count=$(xdotool search --onlyvisible --name "^$title\$" | wc -l)
(( count == 2 )) || fail "expected the main window and the no-device message, saw $count windows"
kill -0 "$app_pid" 2>/dev/null || fail "application quit without a device"

echo "PASS: window, engine on JACK, settings file, single instance, quit question, no-device start"
