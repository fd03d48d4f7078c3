#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# Link from the screen, with no click at all: the application under Xvfb on a private JACK
# server, another Link program (link_peer) on loopback. Ctrl+L (the Looper menu's Link Session)
# joins: the MIDI panel's Link lamp lights and says "1 peer", the peer counts the program, and
# the settings file keeps the choice; controller 21 at 0, assigned to the lamp in the settings
# file as MIDI learn would assign it, leaves the session again and that is kept too.
#   link_window_test.sh APP SCREEN_PROBE MIDI_SENDER LINK_PEER [SCREENSHOT_FOLDER]
set -u
app="$1"
probe="$2"
sender="$3"
peer="$4"
shots="${5:-}"
source "$(dirname "${BASH_SOURCE[0]}")/../support/test_env.sh"

start_private_jack 256 "$work/jack.log"
# 11539839 is 0xb0157f: controller 21 at 127, which a controller of any value matches.
start_settings << 'EOF2'
  <VALUE name="midiMappings">
    <midiMappings>
      <Link_Session keys="11539839"/>
    </midiMappings>
  </VALUE>
EOF2
"$peer" 100 120 > "$work/peer.log" 2>&1 &
play_pid=$! # stopped on exit with the rest

start_screen 1280 720
wait_port "$midi_in_port" || fail "no JACK port $midi_in_port"
peers_shown() { text_of "Varnolo 2.1" "Link Peers"; }
kept() { sleep 2; grep -q "<VALUE name=\"linkSession\" val=\"$1\"/>" "$settings"; }

[[ "$(peers_shown)" == "off" ]] || fail "the program starts in a Link session: the panel says '$(peers_shown)'"

xdotool key ctrl+l
wait_text "Varnolo 2.1" "Link Peers" 10 "1 peer" || fail "Ctrl+L did not join the peer's session: the panel says '$(peers_shown)'"
for _ in $(seq 30); do tail -n 1 "$work/peer.log" | grep -q "peers=1" && break; sleep 0.1; done
tail -n 1 "$work/peer.log" | grep -q "peers=1" || fail "the peer does not see the program: $(tail -n 1 "$work/peer.log")"
shot "$work/link-joined.png"
[[ -n "$shots" ]] && mkdir -p "$shots" && cp "$work/link-joined.png" "$shots/link-joined.png"
kept On || fail "joining was not kept in the settings file"

"$sender" "$midi_in_port" b0:15:00 > /dev/null || fail "jack_midi_send failed"
wait_text "Varnolo 2.1" "Link Peers" 5 "off" || fail "the MIDI control did not leave the session: the panel says '$(peers_shown)'"
kept Off || fail "leaving was not kept in the settings file"
echo "PASS: Ctrl+L joins the Link session, the panel shows the peer, MIDI leaves it, and both are kept"
