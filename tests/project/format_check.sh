#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# Fails when a C++ file of the project is not formatted as .clang-format says, or when a source or
# script file of ours does not open with the licence identifier and the copyright line.
set -uo pipefail
root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
cd "$root" || exit 2

formatter=$(command -v clang-format-14 || command -v clang-format || true)
if [[ -z "$formatter" ]]; then
  echo "clang-format-14 is not installed (scripts/install-deps.sh --tests installs it)"
  exit 1
fi

sources=('*.h' '*.cpp' '*.sh' '*.cmake' 'CMakeLists.txt' '*.desktop' '*.py' '*.ttl' '.ci/run')
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -co --exclude-standard -- '*.h' '*.cpp')
  mapfile -t licensed < <(git ls-files -co --exclude-standard -- "${sources[@]}")
else
  mapfile -t files < <(find app audio bench effects engine gui midi mixer osc session settings tests tools -name '*.h' -o -name '*.cpp')
  mapfile -t licensed < <(find . -path ./build -prune -o -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.sh' \
    -o -name '*.cmake' -o -name CMakeLists.txt -o -name '*.desktop' -o -name '*.py' -o -name '*.ttl' -o -path ./.ci/run \) -print)
fi

status=0
unformatted=()
for f in "${files[@]}"; do
  [[ -f "$f" ]] || continue
  "$formatter" --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done

if [[ ${#unformatted[@]} -gt 0 ]]; then
  echo "not formatted (run: $formatter -i FILE):"
  printf '  %s\n' "${unformatted[@]}"
  status=1
fi

# The two lines sit at the top, after a script's #! line.
unlicensed=()
for f in "${licensed[@]}"; do
  [[ -f "$f" ]] || continue
  head -n 3 "$f" | grep -qE '^(//|#) SPDX-License-Identifier: GPL-3\.0-or-later$' \
    && head -n 4 "$f" | grep -qE '^(//|#) Copyright \(C\) [0-9]{4}(-[0-9]{4})? the Varnolo developers$' \
    || unlicensed+=("$f")
done

if [[ ${#unlicensed[@]} -gt 0 ]]; then
  echo "without the licence lines at the top (// or # SPDX-License-Identifier: GPL-3.0-or-later,"
  echo "then Copyright (C) YEAR the Varnolo developers):"
  printf '  %s\n' "${unlicensed[@]}"
  status=1
fi

(( status == 0 )) && echo "${#files[@]} files formatted, ${#licensed[@]} files carry the licence lines"
exit $status
