#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# Installs the Debian packages the project needs. Idempotent: only missing
# packages are fetched. Pass --tests to add what the test suite needs.
set -euo pipefail

build_pkgs=(build-essential cmake ninja-build pkg-config ccache libasound2-dev libjack-jackd2-dev
  libfreetype-dev libx11-dev libxext-dev libxinerama-dev libxrandr-dev libxcursor-dev
  libpng-dev libjpeg-dev libflac-dev libvorbis-dev libogg-dev zlib1g-dev
  libgtest-dev libbenchmark-dev fonts-dejavu-core juce-modules-source jackd2 liblo-dev liblilv-dev
  ableton-link-dev libasio-dev)
test_pkgs=(xvfb xauth xdotool imagemagick jack-tools jack-capture sox clang libclang-rt-14-dev clang-format-14
  libasound2-plugins desktop-file-utils liblo-tools python3 swh-lv2)

pkgs=("${build_pkgs[@]}")
if [[ "${1:-}" == "--tests" ]]; then pkgs+=("${test_pkgs[@]}"); fi

missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
# jackd2 asks about real-time priority through debconf; answer it up front.
echo "jackd2 jackd/tweak_rt_limits boolean false" | "${sudo_cmd[@]}" debconf-set-selections 2>/dev/null || true
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
