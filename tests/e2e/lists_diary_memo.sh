#!/usr/bin/env bash
# The suggestion lists edited through the menu and the dialog with real key
# and pointer events, saved to LEntries.lef; then a diary and a pad memo
# written, the day saved, and both found in the day file after a restart.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_init "$1"

prog=$E2E_WORK/prog
e2e_new_folder "$prog"
lists=$prog/LEntries.lef
day=$prog/Y200601/Y2006011.sdf
e2e_start "$prog" "2006-01-01 09:00:00"
pid=$E2E_PID
e2e_wait_window "$pid"

# オプション(O) -> リスト項目を設定(L)...: the dialog opens at 100, 50 (no
# window manager, so no frame): its client area starts there.
lists_dialog=コンボボックスのリスト項目の設定
e2e_click 278 $((H_MENU / 2))
e2e_wait_menu "$pid"
e2e_click 320 $((H_MENU + 10))
e2e_wait_shown "$pid" "$lists_dialog"
dlg_x=100 dlg_y=50
# Tab 1: the entry box is at 20+10+10, 15+tabbar+15+40 inside the dialog;
# click into it through the page, type, and press 追加 (285, 40 in the group).
page_x=$((dlg_x + 20 + 1)) page_y=$((dlg_y + 15 + 26))
e2e_click $((page_x + 10 + 10 + 100)) $((page_y + 15 + 40 + 10))
xdotool type --delay 20 "walk"
e2e_click $((page_x + 10 + 285 + 37)) $((page_y + 15 + 40 + 11))
e2e_age "$lists"
stamp=$(e2e_stamp "$lists")
# 保存(&S), then 閉じる(&C).
e2e_click $((dlg_x + 20 + 135)) $((dlg_y + 380 + 12))
e2e_wait_rewritten "$lists" "$stamp"
e2e_click $((dlg_x + 310 + 55)) $((dlg_y + 380 + 12))
e2e_wait_closed "$pid" "$lists_dialog"

$E2E_PYTHON - "$lists" <<'PY' || e2e_fail "LEntries.lef differs"
import subprocess, sys
data = open(sys.argv[1], "rb").read()
def sjis(t): return subprocess.run(["iconv", "-f", "UTF-8", "-t", "CP932"], input=t.encode(), stdout=subprocess.PIPE).stdout
block = bytearray(3072)
def put(off, t):
    b = sjis(t); block[off] = len(b); block[off + 1:off + 1 + len(b)] = b
put(0, "キーワード"); put(32, "walk"); put(768, "説明")
for i, t in enumerate(["タイトル1", "今日一日をふり返って一言", "今日の反省", "日記"]): put(2304 + 32 * i, t)
for i, t in enumerate(["タイトル2", "明日に向けて一言", "明日への意気込み", "日記"]): put(2688 + 32 * i, t)
if data != bytes(block):
    diff = [i for i in range(3072) if i >= len(data) or data[i] != block[i]]
    print("size", len(data), "first differences at", diff[:10]); sys.exit(1)
PY

# The diary needs a day file: save first, then 一日の終わりに... (the button).
e2e_click_save
e2e_wait_file "$day" 10728
e2e_click_panel $((685 + 50)) $((385 + E2E_SHIFT + 11))
e2e_wait_shown "$pid" ダイアリー・パッド
# The diary opens at 262, 62 with the focus in the first text.
xdotool type --delay 20 "good day"
xdotool key Return
xdotool type --delay 20 "line 2"
e2e_click $((262 + 20 + 60)) $((62 + 338 + 11))   # 一時保存して閉じる
e2e_wait_closed "$pid" ダイアリー・パッド

# A pad by a drag (view at 08:00: row 400 is well inside), its memo through
# the right-click menu on the number box.
row_y() { e2e_row_y "$1" 240; }
e2e_changes "$prog" 2006-01-01 xdotool mousemove 312 "$(row_y 400)" mousedown 1 mousemove 312 "$(row_y 430)" \
  mousemove 312 "$(row_y 460)" sleep 0.05 mouseup 1
pad_top=$(e2e_pad_top 400 240)
e2e_changes "$prog" 2006-01-01 e2e_click $((7 + 4 + 33)) $((pad_top + 67))   # 一時保存
xdotool mousemove $((7 + 4 + 264 + 12)) $((pad_top + 5 + 10)) click 3
e2e_wait_menu "$pid"
xdotool key m
e2e_wait_shown "$pid" スケジュール・パッドのメモ
xdotool type --delay 20 "bring the map"
e2e_click $((262 + 10 + 40 + 60)) $((62 + 8 + 122 + 11))   # 一時保存して閉じる
e2e_wait_closed "$pid" スケジュール・パッドのメモ
e2e_age "$day"
stamp=$(e2e_stamp "$day")
e2e_click_save
e2e_wait_rewritten "$day" "$stamp"

e2e_click_exit
e2e_wait_exit "$pid"
e2e_start "$prog" "2006-01-01 21:00:00"
pid=$E2E_PID
e2e_wait_window "$pid"
e2e_alive "$pid" || e2e_fail "the program did not start again"
$E2E_PYTHON - "$day" <<'PY' || e2e_fail "diary or memo missing from the day file"
import sys
d = open(sys.argv[1], "rb").read()
def text(off): return d[off + 1:off + 1 + d[off]]
diary = 10152
ok = True
checks = [(text(diary + 32), b"good day\r\nline 2"), (text(648 + 137), b"bring the map"),
          (text(diary), "タイトル1".encode("cp932")), (text(diary + 288), "タイトル2".encode("cp932"))]
for got, want in checks:
    if got != want: print("got", got, "want", want); ok = False
sys.exit(0 if ok else 1)
PY
e2e_pass
