#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# One hour of audio through the real engine, checked block by block (see EngineSoak.cpp), at
# 64 and at 256 samples a block with two seeds each.
#   tests/soak/soak_hour.sh [BUILD_DIR]   (default build/release; builds engine_soak there)
set -eu
build="${1:-build/release}"
cmake --build "$build" --target engine_soak > /dev/null
for block in 64 256; do
  for seed in 1 2; do
    echo "== one hour, $block-sample blocks, seed $seed"
    "$build/tests/engine_soak" 3600 "$seed" "$block" 2>&1 | grep -v -e '^JUCE v' -e '^ALSA lib'
  done
done
