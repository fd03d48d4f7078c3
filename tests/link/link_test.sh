#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# The looper in a Link session on loopback with two other peers, at 64- and then 256-frame
# blocks: see LinkCheck.cpp. Every process started here is stopped on exit.
set -u
checker="$1"
peer="$2"
work=$(mktemp -d)
peer_pids=()

fail() { echo "FAIL: $*"; exit 1; }
stop_peers() {
  for pid in "${peer_pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  peer_pids=()
}
cleanup() {
  stop_peers
  [[ -n "${KEEP_WORK:-}" ]] && echo "work folder kept: $work" || rm -rf "$work"
}
trap cleanup EXIT

for block in 64 256; do
  "$peer" 100 60 > "$work/peer.log" 2>&1 &
  peer_pids+=($!)
  "$peer" 100 60 > "$work/other.log" 2>&1 &
  peer_pids+=($!)
  sleep 1.5 # their session is there before the program comes, so the program takes its tempo
  (cd "$work" && "$checker" "$block" peer.log other.log)
  status=$?
  stop_peers
  (( status == 0 )) || fail "Link at $block-frame blocks ($status)"
done
echo "PASS: the looper keeps tempo and phase with its Link peers"
