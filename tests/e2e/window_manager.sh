#!/usr/bin/env bash
# Under a real window manager (openbox) the window, frame included, fits the
# screen's work area: the status bar is on screen, at 1x and at twice the
# size, and on a 1024-pixel-wide screen at 1.5 times the size (narrower than
# the design). The frame only exists once the manager has mapped the window.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
E2E_SCREEN_W=2048
E2E_SCREEN_H=1536
e2e_init "$1"
command -v openbox >/dev/null || e2e_skip "openbox not installed"
command -v xprop >/dev/null || e2e_skip "xprop not installed"
_wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wm=""
start_wm() {
  openbox --sm-disable >>"$E2E_WORK/openbox.log" 2>&1 &
  wm=$!
  E2E_PIDS+=("$wm")
  e2e_wait_until 10 _wm_up || e2e_fail "openbox did not start"
}
# Another screen size: a new X server, with its own openbox.
new_screen() {  # WIDTH HEIGHT
  kill "$wm"
  e2e_wait_exit "$wm"
  kill "$E2E_XVFB_PID"
  wait "$E2E_XVFB_PID" 2>/dev/null || true
  E2E_SCREEN_W=$1 E2E_SCREEN_H=$2
  e2e_start_xvfb
  start_wm
}
start_wm

# Top and bottom of the frame and of the client area, in screen pixels.
_frame() { xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -q ' = '; }
measure() {  # WINDOW
  local extents top bottom y h
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.* = //')
  IFS=', ' read -r _ _ top bottom <<<"$extents"
  y=$(xwininfo -id "$1" | sed -n 's/.*Absolute upper-left Y: *//p')
  h=$(xwininfo -id "$1" | sed -n 's/^ *Height: *//p')
  echo "$((y - top)) $((y + h)) $((y + h + bottom))"
}
_fits() {  # WINDOW ROUNDING
  local m frame_top client_bottom frame_bottom right
  m=$(measure "$1") || return 1
  read -r frame_top client_bottom frame_bottom <<<"$m"
  right=$(($(xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF} /^ *Width/ {w = $NF} END {print x + w}') +
    $(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.* = //' | cut -d, -f2)))
  # Fitted: the frame from the top of the screen to its bottom edge, give or
  # take the pixels of rounding at a scale, and within the screen's width.
  ((frame_top >= 0 && frame_bottom <= E2E_SCREEN_H && frame_bottom >= E2E_SCREEN_H - $2 && right <= E2E_SCREEN_W))
}

# Screen width and height, scale, pixels of rounding allowed.
for row in "2048 1536 1 1" "2048 1536 2 2" "1024 768 1.5 2"; do
  read -r width height scale rounding <<<"$row"
  ((width == E2E_SCREEN_W && height == E2E_SCREEN_H)) || new_screen "$width" "$height"
  prog=$E2E_WORK/prog$scale
  e2e_new_folder "$prog"
  export QT_SCALE_FACTOR=$scale
  e2e_start "$prog" "2006-01-01 09:00:00"
  pid=$E2E_PID
  e2e_wait_until 15 _e2e_has_window "$pid" || e2e_fail "no window at scale $scale"
  win=$(e2e_windows "$pid" | head -1)
  e2e_wait_until 10 _frame "$win" || e2e_fail "openbox set no frame on the window"
  e2e_wait_until 10 _fits "$win" "$rounding" || e2e_fail "at scale $scale the window does not fit: $(measure "$win")"
  read -r _ client_bottom _ <<<"$(measure "$win")"
  e2e_log "scale $scale: frame top, client bottom, frame bottom: $(measure "$win")"
  # The status bar's sunken panels stand in the last 19 rows of the client
  # area: its bottom is on screen, and the data count panel is painted there.
  ((client_bottom <= E2E_SCREEN_H)) || e2e_fail "status bar below the screen at scale $scale"
  e2e_screenshot "scale$scale"
  kill "$pid"
  e2e_wait_exit "$pid"
done
e2e_pass
