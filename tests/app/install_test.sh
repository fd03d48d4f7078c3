#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# `cmake --install` into a prefix of its own, as a packager or a user installing from source does:
# the program, a desktop entry that desktop-file-validate accepts and that names the program and
# its icon, and the icon drawn from the logo in every size of the icon theme, each a square PNG
# of its size with the logo on it, and the licence in the documentation folder.
#   install_test.sh BUILD_FOLDER
set -u
build="$1"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix/usr" > "$prefix/install.log" 2>&1 || fail "cmake --install failed: $(tail -n 3 "$prefix/install.log")"

[[ -x "$prefix/usr/bin/varnolo" ]] || fail "no program at bin/varnolo"
[[ -x "$prefix/usr/bin/varnolo-lv2-probe" ]] || fail "no plug-in probe beside the program"

entry="$prefix/usr/share/applications/varnolo.desktop"
[[ -f "$entry" ]] || fail "no desktop entry at share/applications/varnolo.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the desktop entry"
grep -qx 'Exec=varnolo' "$entry" || fail "the desktop entry does not start the installed program"
grep -qx 'Icon=varnolo' "$entry" || fail "the desktop entry does not name the installed icon"
grep -qx 'Categories=AudioVideo;Audio;' "$entry" || fail "the desktop entry is not in the audio categories"

cmp -s "$prefix/usr/share/doc/varnolo/COPYING" "$(dirname "$0")/../../COPYING" || fail "the licence is not installed as share/doc/varnolo/COPYING"

for size in 16 32 48 64 128 256 512; do
  icon="$prefix/usr/share/icons/hicolor/${size}x${size}/apps/varnolo.png"
  [[ -f "$icon" ]] || fail "no ${size}x${size} icon"
  [[ "$(identify -format '%m %w %h' "$icon")" == "PNG $size $size" ]] || fail "the ${size}x${size} icon is $(identify -format '%m %w %h' "$icon")"
  covered=$(convert "$icon" -alpha extract -format '%[fx:mean]' info:)
  awk -v c="$covered" 'BEGIN { exit !(c > 0.3 && c < 0.95) }' || fail "the ${size}x${size} icon shows no logo (opaque share $covered)"
done

echo "PASS: the program, a valid desktop entry, the licence and the icon in seven sizes are installed"
