#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# Installs what the tests need, builds the project and runs the whole test suite through ctest.
#   scripts/test.sh                     every test, the GUI ones in a real window under Xvfb
#   scripts/test.sh --sanitize address  the tests that need no display, with AddressSanitizer + UBSan
#   scripts/test.sh --sanitize thread   the same with ThreadSanitizer
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

sanitize=""
while [[ $# -gt 0 ]]; do
  case "$1" in
    --sanitize) sanitize="${2:-}"; shift 2 ;;
    *) echo "usage: $0 [--sanitize address|thread]" >&2; exit 2 ;;
  esac
done

bash "$root/scripts/install-deps.sh" --tests

jobs=$(nproc)
case "$sanitize" in
  "")
    build="$root/build/debug"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug
    cmake --build "$build" -j "$jobs"
    ctest --test-dir "$build" --output-on-failure -j "$jobs"
    ;;
  address|thread)
    flags="address,undefined"
    [[ "$sanitize" == thread ]] && flags="thread"
    build="$root/build/$sanitize"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DVARNOLO_SANITIZE="$flags" -DVARNOLO_BENCH=OFF
    cmake --build "$build" -j "$jobs"
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
    ctest --test-dir "$build" --output-on-failure -L core
    ;;
  *) echo "unknown sanitizer: $sanitize (address or thread)" >&2; exit 2 ;;
esac
