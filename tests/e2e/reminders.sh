#!/usr/bin/env bash
# Reminders through a real notification daemon (dunst on a private session
# bus) with the clock faked: today's pad at 9:06 with the default lead shows
# its notification at 9:01 with its keyword and times; a pad marked 完了 and
# a pad removed before its time show none. Then, with no session bus, the
# planner's own window shows the reminder.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
e2e_private_notifications
_displayed() { [[ $(dunstctl count displayed 2>/dev/null) == "$1" ]]; }

# Today's file: 会議 and 済み (完了) at 9:06 on the left (済み placed
# lower), 消す at 9:06 on the right.
prog=$E2E_WORK/prog
e2e_new_folder "$prog"
E2E_SUPPORT=$(cd "$E2E_LIB_DIR/../support" && pwd) $E2E_PYTHON - "$prog" <<'PY'
import datetime, os, struct, sys
sys.path.insert(0, os.environ["E2E_SUPPORT"])
import plandor_files as pf
at, until = (9, 6, 0), (9, 30, 0)
pads = [pf.pad(1, at, until, "会議", "駅前"), pf.pad(2, at, until, "済み", completed=1), pf.pad(3, at, until, "消す")]
for p, left, top in zip(pads, (4, 4, 351), (373, 473, 373)):  # placed as a drag places them
    struct.pack_into("<ii", p, 4, left, top)
data = bytearray(pf.day_file(pads))
for i, side in enumerate((b"L", b"L", b"R")):  # bars 9:06..9:30
    struct.pack_into("<B1s2xiii", data, 264 + 16 * i, 1, side, 372, 420, 0xFF)
pf.write(pf.day_path(sys.argv[1], datetime.date(2006, 1, 1)), bytes(data))
PY

now_ms() { echo $(($(date +%s%N) / 1000000)); }
start_ms=$(now_ms)
# Started well before 9:01 so that a busy machine still removes 消す in time.
e2e_start "$prog" "2006-01-01 09:00:25"
pid=$E2E_PID
fake_s() { echo $(((($(now_ms) - start_ms)) / 1000 + 25)); }  # seconds after 9:00:00 on the faked clock
e2e_wait_window "$pid"
# 消す gets the focus (◆) from a click into its keyword; then パッドを削除,
# and OK in its question.
top=$(e2e_pad_top 372 240)
_marked() {  # PAD_LEFT: ◆ in the pad's mark panel
  (($($E2E_CHECK count "$(e2e_grab)" $((7 + $1 + 120)) $((top + 27)) $((7 + $1 + 140)) $((top + 53)) 0 0 0) > 0))
}
e2e_click $((7 + 351 + 145 + 40)) $((top + 5 + 10))
e2e_wait_until 5 _marked 351 || e2e_fail "消す did not take the focus"
e2e_click_panel $((685 + 50)) $((245 + 11))
e2e_wait_until 5 e2e_box_shown "$pid" || e2e_fail "no question before the removal"
e2e_wait_keyboard "$(e2e_box_of "$pid")" "the removal's question"
xdotool key Return
e2e_wait_until 5 eval '! e2e_box_shown $pid' || e2e_fail "the removal's question stayed"
removed_at=$(fake_s)
((removed_at < 57)) || e2e_fail "the removal took until 9:00:$removed_at, too late to judge the reminder's time"
_fake_past() { (($(fake_s) >= $1)); }
e2e_wait_until 40 _fake_past 57 || true
_displayed 0 || e2e_fail "a notification before 9:01"
e2e_wait_until 10 _displayed 1 || e2e_fail "no notification by 9:01:0x"
shown_at=$(fake_s)
((shown_at >= 59)) || e2e_fail "the notification came at 9:00:$shown_at, before 9:01"
e2e_screenshot notification
e2e_wait_idle "$pid"
_displayed 1 || e2e_fail "more than one notification: $(dunstctl count displayed)"
# Its default action selects 会議 (◆ in its mark panel) in the planner.
_marked 4 && e2e_fail "会議 was selected before the notification's action"
dunstctl action 0
e2e_wait_until 5 _marked 4 || e2e_fail "the notification's default action did not select 会議"
e2e_screenshot action
dunstctl close-all
_closed() { [[ $(dunstctl count history) -ge 1 ]]; }
e2e_wait_until 5 _closed || e2e_fail "the notification did not reach dunst's history"
dunstctl history >"$E2E_WORK/history.json"
$E2E_PYTHON - "$E2E_WORK/history.json" <<'PY' || e2e_fail "dunst's history: $(cat "$E2E_WORK/history.json")"
import json, sys
notes = [n for group in json.load(open(sys.argv[1]))["data"] for n in group]
got = [(n["appname"]["data"], n["summary"]["data"], n["body"]["data"]) for n in notes]
assert got == [("プランドール", "会議", "9:06 – 9:30  駅前")], got
assert notes[0]["timeout"]["data"] == 0, "a reminder that expires by itself"
PY
[[ $(e2e_hex "$prog/Y200601/Y2006011.sdf" 264 4) == "01 4c 00 00" ]] || e2e_fail "the day file was written"
kill "$pid"
e2e_wait_exit "$pid"

# No session bus: the planner's own window, not modal, shows the reminder.
prog2=$E2E_WORK/prog2
e2e_new_folder "$prog2"
mkdir -p "$prog2/Y200601"
cp "$prog/Y200601/Y2006011.sdf" "$prog2/Y200601/"
DBUS_SESSION_BUS_ADDRESS=unix:path=$E2E_WORK/no-bus e2e_start "$prog2" "2006-01-01 09:00:57"
pid=$E2E_PID
e2e_wait_window "$pid"
_own_window() { [[ -n $(xdotool search --all --onlyvisible --pid "$pid" --name '^リマインダー - プランドール$' 2>/dev/null) ]]; }
e2e_wait_until 10 _own_window || e2e_fail "no reminder window without a session bus"
e2e_screenshot own-window
_displayed 0 || e2e_fail "a notification reached the private bus without a session bus"
# The planner keeps working: its 更新 button still answers.
e2e_click_panel $((675 + 75 + 17)) $((100 + 45 + 10))
e2e_box_shown "$pid" && e2e_fail "a modal box came with the reminder"
e2e_pass
