#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# The program's CPU use with the screen showing: the Release build under Xvfb on a private JACK
# server with the dummy backend, measured from /proc over 30 seconds of wall time, in all and per
# thread, as a share of one core. Two scenes, each at 64 and 256 frames a block:
#   idle     the engine stopped, nothing recorded;
#   playing  eight loops playing (recorded with the mouse from a tone on input 1).
#   bench/cpu_use.sh [build folder, default build/release] [seconds, default 30]
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${1:-$root/build/release}"
seconds="${2:-30}"
app="$build/app/Varnolo"
probe="$build/tests/screen_probe"
[[ -x "$app" && -x "$probe" ]] || { echo "build $app and $probe first (Release)"; exit 2; }

work=$(mktemp -d)
xvfb_pid=""; app_pid=""; jack_pid=""; play_pid=""
fail() { echo "FAIL: $*"; exit 1; }
stop_all() {
  for pid in $play_pid $app_pid $jack_pid $xvfb_pid; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  play_pid=""; app_pid=""; jack_pid=""; xvfb_pid=""
}
trap 'stop_all; rm -rf "$work"' EXIT

source "$root/tests/support/private_jack.sh"
source "$root/tests/support/screen_driver.sh"
ticks=$(getconf CLK_TCK)

# CPU time of a process or thread in nanoseconds: the scheduler's own count (schedstat) where
# the kernel keeps one, else utime + stime of its stat line, which the kernel samples at its tick
# and so charges short wake-ups to whichever thread the tick happens to find (the name may hold
# spaces: skip past ')').
cpu_of() {
  if [[ -r "$1/schedstat" ]]; then
    awk '{ print $1 }' "$1/schedstat" 2>/dev/null
  else
    sed -E 's/^.*\) //' "$1/stat" 2>/dev/null | awk -v hz="$ticks" '{ printf "%.0f\n", ($12 + $13) * 1e9 / hz }'
  fi
}

# The process: the sum over its threads.
process_cpu() {
  local t sum=0 v
  for t in /proc/"$app_pid"/task/*; do
    v=$(cpu_of "$t")
    [[ -n "$v" ]] && sum=$((sum + v))
  done
  echo "$sum"
}

measure() {
  declare -A before names
  local total_before total_after t
  total_before=$(process_cpu)
  for t in /proc/"$app_pid"/task/*; do
    before[$t]=$(cpu_of "$t")
    names[$t]="$(cat "$t/comm" 2>/dev/null) $(basename "$t")"
    [[ "$(basename "$t")" == "$app_pid" ]] && names[$t]="message thread"
  done
  sleep "$seconds"
  total_after=$(process_cpu)
  awk -v a="$total_after" -v b="$total_before" -v s="$seconds" -v what="$1" \
    'BEGIN { printf "%-28s %6.2f %% of one core\n", what, 100 * (a - b) / 1e9 / s }'
  for t in "${!before[@]}"; do
    local after
    after=$(cpu_of "$t")
    [[ -n "$after" ]] || continue
    awk -v a="$after" -v b="${before[$t]}" -v s="$seconds" -v n="${names[$t]}" \
      'BEGIN { share = 100 * (a - b) / 1e9 / s; if (share >= 0.05) printf "    %-24s %6.2f %%\n", n, share }'
  done | sort -k2 -n -r -t'%'
}

record_eight_loops() {
  sox -n -r 48000 -c 2 "$work/tone.wav" synth 40 sine 220 sine 220 remix 1 0 gain -12
  JACK_PLAY_CONNECT_TO="Varnolo:in_%d" jack-play "$work/tone.wav" > /dev/null 2>&1 &
  play_pid=$!
  click "Punch In Out 1 1"; sleep 1; click "Punch In Out 1 1"; sleep 0.5
  for _ in 2 3 4 5 6 7 8; do
    click "Punch In Out 1 1"; sleep 1.1; click "Punch In Out 1 1"; sleep 0.3
  done
  kill "$play_pid" 2>/dev/null; play_pid=""
  sleep 1
}

for period in 64 256; do
  for scene in idle playing; do
    start_private_jack "$period" "$work/jack.log"
    export HOME="$work/home-$period-$scene"
    mkdir -p "$HOME"
    start_screen 1920 1080
    [[ "$scene" == playing ]] && record_eight_loops
    sleep 2
    measure "$scene, $period frames"
    stop_all
  done
done
