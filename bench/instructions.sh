#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# Instructions per block, counted by callgrind (exact from run to run, unlike time): the whole
# audio callback (8 loop channels of 8 loops, two overdubbing), the same after 200 retakes, and
# the two floors, at 64 and 256 samples a block.
#   bench/instructions.sh [BUILD_DIR]   (default build/release)
set -eu
build="${1:-build/release}"
bench="$build/bench/callback_bench"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
command -v valgrind > /dev/null || { echo "valgrind is needed (apt-get install valgrind)"; exit 1; }

count() { # what, block size, function to count
  valgrind --tool=callgrind --callgrind-out-file="$work/out" --toggle-collect="$3" "$bench" --blocks "$1" "$2" \
    > /dev/null 2>&1
  callgrind_annotate "$work/out" 2> /dev/null | awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1; exit }'
}

printf "%-8s %14s %14s %14s %14s %10s %10s %10s\n" block floor honest callback retakes "x floor" "x honest" "retakes"
for n in 64 256; do
  floor=$(count floor "$n" 'Work::Bench::addStreams*')
  honest=$(count honest "$n" 'Work::Bench::honestBlock*')
  callback=$(count callback "$n" 'Work::MainAudio::audioCallback*')
  retakes=$(count retakes "$n" 'Work::MainAudio::audioCallback*')
  # Each run counts its blocks' instructions: 2000 blocks, plus the engine's set-up blocks
  # (none of them inside audioCallback).
  awk -v n="$n" -v f="$floor" -v h="$honest" -v c="$callback" -v r="$retakes" 'BEGIN {
    printf "%-8s %14.0f %14.0f %14.0f %14.0f %10.2f %10.2f %9.1f%%\n", n, f / 2000, h / 2000, c / 2000, r / 2000,
      c / f, c / h, 100 * (r - c) / c }'
done
