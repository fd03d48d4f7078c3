# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
# Sourced by the tests that drive the performance screen as a performer would. Needs $work, $app
# and $probe, and provides:
#   wait_window TITLE SECS   the id of a visible window with that whole title, once it shows
#   start_screen W H         Xvfb of that size, the application on it (with the words in the array
#                            app_args, when set), its window found ($wid, $X, $Y)
#   locate                   where every part of the screen lies now (screen_probe, window coordinates)
#   click NAME [BUTTON]      a click in the middle of a named part
#   shot FILE                a screenshot of the window
#   region_hash FILE NAME    a hash of what a named part shows in a screenshot
#   mean_green FILE NAME     the mean green of a named part (lit transport pictures are green)
#   menu_text FILE           the share of bright pixels in the menu bar (0 while it is empty)
#   window_shown PATTERN     whether a window whose whole title matches the pattern is visible
#   part WINDOW NAME         x y w h on the screen of a named part of any of the program's windows,
#                            from the layout map the program writes (dialogs included)
#   click_part WINDOW NAME   a click in its middle
# Callers define fail() and stop what they start in their own cleanup.

start_screen() {
  exec 5> "$work/display"
  Xvfb -displayfd 5 -screen 0 "${1}x${2}x24" -nolisten tcp > "$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.05; done
  [[ -s "$work/display" ]] || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$work/display")"

  VARNOLO_LAYOUT_MAP="$work/map.txt" "$app" "${app_args[@]}" > "$work/app.log" 2>&1 &
  app_pid=$!
  wid=$(wait_window "Varnolo 2.1" 90)
  [[ -n "$wid" ]] || fail "main window did not appear"
  # The splash screen over the window goes two seconds after it came.
  sleep 2.5
  locate
}

# The id of the first visible window with the whole title $1, waiting up to $2 seconds. One
# search at a time: a window that goes while xdotool looks at it (the splash screen) fails that
# search with BadWindow, and a --sync search would give up on the error.
wait_window() {
  local id i
  for i in $(seq $(($2 * 5))); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2> /dev/null | head -n1)
    [[ -n "$id" ]] && echo "$id" && return 0
    sleep 0.2
  done
  return 1
}

locate() {
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  "$probe" "$WIDTH" "$HEIGHT" > "$work/layout.txt" 2> "$work/probe.log" || fail "screen_probe failed: $(tail -n 3 "$work/probe.log")"
}

# x y w h of a named part, in window coordinates.
bounds_of() {
  local line
  line=$(awk -v n="$1" '{ name = $5; for (i = 6; i <= NF; ++i) name = name " " $i; if (name == n) { print $1, $2, $3, $4; exit } }' "$work/layout.txt")
  [[ -n "$line" ]] || fail "no part named '$1' on the screen"
  echo "$line"
}

click() {
  local x y w h
  read -r x y w h < <(bounds_of "$1")
  # --sync would wait for a motion that never comes when the pointer is already there.
  xdotool mousemove $((X + x + w / 2)) $((Y + y + h / 2)) sleep 0.05 click "${2:-1}"
  sleep 0.2
}

shot() { import -window "$wid" "$1" 2> /dev/null || fail "screenshot failed"; }

region_hash() {
  local x y w h
  read -r x y w h < <(bounds_of "$2")
  convert "$1" -crop "${w}x${h}+${x}+${y}" +repage rgb:- | md5sum | cut -c1-16
}

mean_green() {
  local x y w h
  read -r x y w h < <(bounds_of "$2")
  convert "$1" -crop "${w}x${h}+${x}+${y}" +repage -format "%[fx:mean.g]" info:
}

menu_text() {
  local x y w h
  read -r x y w h < <(bounds_of "Content")
  # Resting menu names are mid grey on the dark background.
  convert "$1" -crop "300x20+${x}+$((y - 22))" +repage -colorspace Gray -threshold 35% -format "%[fx:mean]" info:
}

window_shown() {
  # A window takes a moment to map or unmap: ask for up to two seconds for the expected answer.
  local expect="${2:-shown}" i
  for i in $(seq 20); do
    if xdotool search --onlyvisible --name "^$1\$" > /dev/null 2>&1; then
      [[ "$expect" == shown ]] && return 0
    else
      [[ "$expect" == hidden ]] && return 1
    fi
    sleep 0.1
  done
  [[ "$expect" == shown ]] && return 1 || return 0
}

# Whether a decimal number is above another.
above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

# The id of the visible window whose whole title is the given one, waiting up to five seconds.
window_id() {
  local id i
  for i in $(seq 50); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2> /dev/null | head -n1)
    [[ -n "$id" ]] && echo "$id" && return 0
    sleep 0.1
  done
  fail "no window '$1'"
}

# Keys for the named window: a click on its title bar gives it the keys, as a performer would.
keys_to() {
  local id
  id=$(window_id "$1")
  eval "$(xdotool getwindowgeometry --shell "$id" | sed 's/^/win_/')"
  xdotool mousemove $((win_X + win_WIDTH / 2)) $((win_Y + 8)) sleep 0.05 click 1 sleep 0.2
  shift
  xdotool key --delay 80 "$@"
  sleep 0.5
}

# Chooses the n-th item (from 1, separators not counted) of a menu of the menu bar, by keyboard.
menu_item() {
  local x y w h
  read -r x y w h < <(bounds_of "Content")
  local menu_x=$((X + x + 20 + ($1 - 1) * 60))
  xdotool mousemove "$menu_x" $((Y + y - 11)) sleep 0.05 click 1 sleep 0.4
  xdotool key --delay 80 $(printf 'Down %.0s' $(seq "$2")) Return
  sleep 0.5
}

# A hash of what a whole window shows.
window_hash() {
  import -window "$(window_id "$1")" rgb:- 2> /dev/null | md5sum | cut -c1-16
}

part() {
  local line i
  for i in $(seq 30); do
    line=$(awk -v w="$1" -v n="$2" '{
      rest = $0; for (f = 1; f <= 4; ++f) sub(/^[^ ]* /, "", rest)
      k = index(rest, ": "); if (k == 0) next
      if (substr(rest, 1, k - 1) == w && substr(rest, k + 2) == n) { print $1, $2, $3, $4; exit }
    }' "$work/map.txt" 2> /dev/null)
    [[ -n "$line" ]] && echo "$line" && return 0
    sleep 0.1
  done
  fail "no part '$2' in window '$1'"
}

click_part() {
  local x y w h where
  where=$(part "$1" "$2") || fail "${where#FAIL: }"
  read -r x y w h <<< "$where"
  xdotool mousemove $((x + w / 2)) $((y + h / 2)) sleep 0.05 click "${3:-1}"
  sleep 0.3
}

# Sets a choice box to a value as a performer does: a click opens its list, a click on the value
# takes it.
choose() {
  grep -qF -- " $1: $2 = $3" "$work/map.txt" && return 0
  click_part "$1" "$2"
  sleep 0.3 # the layout map is rewritten every 200 ms: let it show this list, not the last one
  # The map may still place the item where a list opened a moment ago put it: look again and
  # click again, up to three times, as a performer whose click missed would.
  local attempt
  for attempt in 1 2 3; do
    click_part menu "$3"
    window_shown menu hidden || break
    (( attempt == 3 )) && fail "the list of '$2' did not close"
    sleep 0.3
  done
  local i
  for i in $(seq 30); do
    grep -qF -- " $1: $2 = $3" "$work/map.txt" && return 0
    sleep 0.1
  done
  fail "'$2' in '$1' shows no '$3' after choosing it"
}

# What a named text on a window shows now, from the layout map: text_of WINDOW NAME.
text_of() {
  awk -v w="$1" -v n="$2" '{
    rest = $0; for (f = 1; f <= 4; ++f) sub(/^[^ ]* /, "", rest)
    prefix = w ": " n " = "
    if (substr(rest, 1, length(prefix)) == prefix) { print substr(rest, length(prefix) + 1); exit }
  }' "$work/map.txt" 2> /dev/null
}

# Waits up to $3 seconds for a named text to contain $4: wait_text WINDOW NAME SECONDS TEXT.
wait_text() {
  local i
  for i in $(seq $(($3 * 10))); do
    [[ "$(text_of "$1" "$2")" == *"$4"* ]] && return 0
    sleep 0.1
  done
  return 1
}
