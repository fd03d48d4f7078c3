#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# Builds the libFuzzer targets with clang (with address and undefined-behaviour sanitizers) and
# runs each for a bounded time, printing executions and findings.
#   scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds="${1:-60}"

bash "$root/scripts/install-deps.sh" --tests

build="$root/build/fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVARNOLO_FUZZ=ON -DVARNOLO_BENCH=OFF -DVARNOLO_WERROR=OFF
cmake --build "$build" --target fuzz_key_list fuzz_mapping_file fuzz_midi_stream fuzz_session_document fuzz_osc_packet -j "$(nproc)"

status=0
for target in fuzz_key_list fuzz_mapping_file fuzz_midi_stream fuzz_session_document fuzz_osc_packet; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  # Seeds of the target's own kept in the repository, where there are any.
  if [[ -d "$root/tests/fuzz/seeds/$target" ]]; then cp -n "$root/tests/fuzz/seeds/$target"/* "$corpus"/; fi
  echo "== $target for $seconds s"
  if ! (cd "$build" && "./tests/fuzz/$target" -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 \
        "$corpus" 2>&1 | grep -E "stat::number_of_executed_units|ERROR|SUMMARY|Done [0-9]+ runs"); then
    status=1
  fi
  found=$(find "$build" -maxdepth 1 \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \) | wc -l)
  echo "findings: $found"
  (( found == 0 )) || status=1
done
exit $status
