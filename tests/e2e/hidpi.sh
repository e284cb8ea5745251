#!/usr/bin/env bash
# Twice the pixels: at QT_SCALE_FACTOR=2 the window is laid out at double
# size, and a real drag whose pointer stands on the lower half of a row (a
# half row in the program's units) still makes the pad of the rows painted
# under it: 9:00 to 10:30, stored as rows 360..540.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
E2E_SCREEN_W=2048
E2E_SCREEN_H=1600
e2e_init "$1"
export QT_SCALE_FACTOR=2
S=2

prog=$E2E_WORK/prog
e2e_new_folder "$prog"
day=$prog/Y200601/Y2006011.sdf
e2e_start "$prog" "2006-01-01 09:00:00"
pid=$E2E_PID
e2e_wait_until 15 _e2e_has_window "$pid" || e2e_fail "no window"

# The menu bar's height in the program's units, from the sky-blue strip above
# the timeline in screen column 800.
measure() {
  $E2E_PYTHON - "$(e2e_grab)" "$E2E_SCREEN_W" <<'PY'
import sys
d = open(sys.argv[1], "rb").read(); w = int(sys.argv[2])
px = lambda x, y: tuple(d[(y * w + x) * 3:(y * w + x) * 3 + 3])
y = 0
while y < 240 and px(800, y) != (166, 202, 240): y += 1
while y < 280 and px(800, y) == (166, 202, 240): y += 1
# The timeline's frame starts 10 units below the panel's top.
if y % 2 or not 10 <= y // 2 - 10 <= 60: sys.exit(1)
print(y // 2 - 10)
PY
}
_measured() { H_MENU=$(measure) && [[ -n $H_MENU ]]; }
e2e_wait_until 10 _measured || e2e_fail "window not painted at twice the size"
panel_h=$((E2E_SCREEN_H / S - H_MENU - E2E_STATUS_H))
shift_=$((panel_h - E2E_DESIGN_PANEL_H))

# Screen pixel of a point of the program: its lower pixel when HALF is 1.
sx() { echo $(($1 * S)); }
sy() { echo $(($1 * S + ${2:-0})); }
row() { echo $((H_MENU + 12 + 4 - 240 + $1)); }  # timeline row -> program y, view at 08:00

x=$(sx 312)
y0=$(sy "$(row 361)" 1)   # lower half of row 361: 9:00 (rounding would give 9:01)
y1=$(sy "$(row 541)" 1)   # lower half of row 541: 10:30 (rounding would give 10:31)
drag() {
  xdotool mousemove "$x" "$y0" mousedown 1
  for ((y = y0 + 12; y < y1; y += 12)); do xdotool mousemove "$x" "$y"; done
  xdotool mousemove "$x" "$y1" sleep 0.05 mouseup 1
}
e2e_changes "$prog" 2006-01-01 drag
# 一時保存 of the new pad (left 4, top = row 361 - 1 in the container).
e2e_changes "$prog" 2006-01-01 e2e_click "$(sx $((4 + 7 + 33)))" "$(sy $(($(row 358) + 67)))"
e2e_screenshot twice
e2e_click "$(sx 735)" "$(sy $((H_MENU + 431 + shift_ + 25)))"
e2e_wait_file "$day" 10728
# The bar: side "L", rows 360..540.
[[ $(e2e_hex "$day" 264 12) == "01 4c 00 00 68 01 00 00 1c 02 00 00" ]] ||
  e2e_fail "bar: $(e2e_hex "$day" 264 12)"
e2e_pass
