#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# Fails when an include runs against the layers: each folder may include only the folders below
# it, so no two folders ever include each other.
#   engine   <- nothing of ours
#   mixer    <- engine
#   midi     <- engine, mixer
#   effects  <- nothing of ours
#   settings <- nothing of ours
#   session  <- engine, mixer, effects
#   osc      <- engine, mixer, midi
#   link     <- engine
#   audio    <- engine, mixer, midi, effects, settings, link
#   gui      <- engine, mixer, midi, effects, settings (not audio: the screen reaches the engine through
#               the screen port in engine/, and never includes the looper itself)
#   app      <- everything above
set -uo pipefail
root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
cd "$root" || exit 2

declare -A allowed=(
  [engine]=""
  [mixer]="engine"
  [midi]="engine mixer"
  [effects]=""
  [settings]=""
  [session]="engine mixer effects"
  [osc]="engine mixer midi"
  [link]="engine"
  [audio]="engine mixer midi effects settings link"
  [gui]="engine mixer midi effects settings"
  [app]="engine mixer midi effects settings session osc link audio gui resources"
)
layers="${!allowed[*]}"
status=0

for folder in "${!allowed[@]}"; do
  [[ -d "$folder" ]] || continue
  while IFS= read -r line; do
    file=${line%%:*}
    target=$(sed -E 's/.*#include[[:space:]]*"([^/"]+)\/.*/\1/' <<<"${line#*:}")
    [[ " $layers " == *" $target "* ]] || continue          # not one of our folders
    [[ "$target" == "$folder" ]] && continue
    if [[ " ${allowed[$folder]} " != *" $target "* ]]; then
      echo "$file includes $target/: $folder may include only: ${allowed[$folder]:-nothing of ours}"
      status=1
    fi
  done < <(grep -rnE '#include[[:space:]]*"[^"/]+/' --include='*.h' --include='*.cpp' "$folder" | sed -E 's/^([^:]+):[0-9]+:/\1:/')
done

# The screen sees the engine only through its port: commands out, one view back.
while IFS= read -r line; do
  echo "${line%%:*} includes the looper: gui/ reaches the engine through engine/ScreenPort.h"
  status=1
done < <(grep -rlE '#include[[:space:]]*"engine/VarnoloLooper\.h"' --include='*.h' --include='*.cpp' gui 2> /dev/null)

[[ $status -eq 0 ]] && echo "every include runs down the layers"
exit $status
