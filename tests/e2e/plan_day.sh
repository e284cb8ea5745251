#!/usr/bin/env bash
# A day planned with the pointer: the wheel scrolls the timeline, a left
# drag from 08:00 to 09:30 and a right drag make two pads, 一時保存 stores
# them, 保存 writes their bars and records, and the next start paints the
# bars in their rows.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_init "$1"

prog=$E2E_WORK/prog
e2e_new_folder "$prog"
day=$prog/Y200601/Y2006011.sdf
e2e_start "$prog" "2006-01-01 09:00:00"
pid=$E2E_PID
e2e_wait_window "$pid"

e2e_scroll_up_four
scroll=$E2E_SCROLLED

# The pad's 一時保存 button.
click_pad_save() {  # PAD_LEFT START_ROW
  local top
  top=$(e2e_pad_top "$2" $scroll)
  e2e_click $((7 + $1 + 33)) $((top + 67))
}

e2e_changes "$prog" 2006-01-01 e2e_drag $E2E_LEFT_X 240 420 $scroll
e2e_changes "$prog" 2006-01-01 click_pad_save 4 240
e2e_changes "$prog" 2006-01-01 e2e_drag $E2E_RIGHT_X 600 700 $scroll
e2e_changes "$prog" 2006-01-01 click_pad_save 351 600
e2e_click_save
e2e_wait_file "$day" 10728

[[ $(e2e_hex "$day" 264 16) == "01 4c 00 00 f0 00 00 00 a4 01 00 00 00 00 00 00" ]] ||
  e2e_fail "left bar: $(e2e_hex "$day" 264 16)"
# The right bar: side "R", rows 600..700, black.
[[ $(e2e_hex "$day" 280 16) == "01 52 00 00 58 02 00 00 bc 02 00 00 00 00 00 00" ]] ||
  e2e_fail "right bar: $(e2e_hex "$day" 280 16)"
$E2E_PYTHON - "$day" <<'PY' || e2e_fail "pad records differ"
import struct, subprocess, sys
data = open(sys.argv[1], "rb").read()
def sjis(t): return subprocess.run(["iconv", "-f", "UTF-8", "-t", "CP932"], input=t.encode(), stdout=subprocess.PIPE).stdout
def field(b, cap): return bytes([len(b)]) + b
ok = True
for slot, (left, top, start, end) in enumerate([(4, 241, (8, 0, 0), (9, 30, 0)), (351, 601, (11, 0, 0), (11, 50, 0))]):
    p = data[648 + 396 * slot: 648 + 396 * (slot + 1)]
    no, l, t = struct.unpack_from("<iii", p, 0)
    kw = p[12:12 + 1 + p[12]]
    ct = p[44:44 + 1 + p[44]]
    completed, = struct.unpack_from("<B", p, 108)
    color, sh, sm = struct.unpack_from("<iii", p, 112)
    spm, = struct.unpack_from("<B", p, 124)
    eh, em = struct.unpack_from("<ii", p, 128)
    epm, = struct.unpack_from("<B", p, 136)
    got = (no, l, t, kw, ct, completed, color, (sh, sm, spm), (eh, em, epm))
    want = (slot + 1, left, top, field(sjis("キーワード"), 31), field(sjis("説明"), 63), 0, 0, start, end)
    if got != want:
        print("slot", slot, "got", got, "want", want); ok = False
print("ok" if ok else "mismatch")
sys.exit(0 if ok else 1)
PY
[[ $(e2e_hex "$day" $((264 + 32)) 16) == "00 00 00 00 ff ff ff ff ff ff ff ff 00 00 00 00" ]] ||
  e2e_fail "slot 3 should be empty: $(e2e_hex "$day" $((264 + 32)) 16)"

# A new start shows the day with its bars (view at 08:00 again: scroll 240).
e2e_click_exit
e2e_wait_exit "$pid"
e2e_start "$prog" "2006-01-01 10:00:00"
pid=$E2E_PID
e2e_wait_window "$pid"
pixel() { $E2E_PYTHON -c "import sys; d=open('$shot','rb').read(); o=($2*1024+$1)*3; print(*d[o:o+3])"; }
check() {  # X ROW EXPECTED NAME
  local got
  got=$(pixel "$1" "$(e2e_row_y "$2" 240)")
  [[ $got == "$3" ]] || e2e_fail "$4: pixel ($1, row $2) is $got, expected $3"
}
# The bars follow the window's first paint.
_bars_painted() {
  shot=$(e2e_grab)
  [[ $(pixel 312 "$(e2e_row_y 300 240)") == "0 0 0" && $(pixel 348 "$(e2e_row_y 650 240)") == "0 0 0" ]]
}
e2e_wait_until 5 _bars_painted || e2e_fail "the loaded day's bars were not painted"
check 312 300 "0 0 0" "left bar"
check 309 419 "0 0 0" "left bar's last row"
check 312 420 "255 255 255" "below the left bar"
check 320 300 "255 255 255" "gap next to the time column"
check 348 650 "0 0 0" "right bar"
check 342 650 "255 255 255" "right area's first column"
check 348 599 "255 255 255" "above the right bar"
e2e_screenshot loaded-day
e2e_pass
