#!/usr/bin/env bash
# Fails when a C++ file of the project is not formatted as .clang-format says.
set -uo pipefail
root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
cd "$root" || exit 2

formatter=$(command -v clang-format-14 || command -v clang-format || true)
if [[ -z "$formatter" ]]; then
  echo "clang-format-14 is not installed (scripts/install-deps.sh --tests installs it)"
  exit 1
fi

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -co --exclude-standard -- '*.h' '*.cpp')
else
  mapfile -t files < <(find app audio bench engine gui midi mixer settings tests tools -name '*.h' -o -name '*.cpp')
fi

unformatted=()
for f in "${files[@]}"; do
  [[ -f "$f" ]] || continue
  "$formatter" --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done

if [[ ${#unformatted[@]} -gt 0 ]]; then
  echo "not formatted (run: $formatter -i FILE):"
  printf '  %s\n' "${unformatted[@]}"
  exit 1
fi
echo "${#files[@]} files formatted"
