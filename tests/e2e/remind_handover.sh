#!/usr/bin/env bash
# The hand-over between the planner and plandor-remind on one data folder,
# with a real notification daemon and one faked clock shared by both
# (a relative offset in FAKETIME_TIMESTAMP_FILE). 会議 at 9:06 and 電話 at
# 9:07 remind 5 minutes before. plandor-remind runs throughout: silent while
# the planner runs; the planner ended at 9:00:5x → plandor-remind shows 会議 at
# 9:01; the planner started again at 9:01:0x shows no second 会議, a click on
# plandor-remind's 会議 selects it in that planner, and the planner shows
# 電話 at 9:02 itself; ended at 9:02:0x, plandor-remind shows neither again.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
[[ -x $E2E_BUILT/plandor-remind ]] || e2e_fail "no plandor-remind beside plandor"
e2e_private_notifications
_displayed() { [[ $(dunstctl count displayed 2>/dev/null) == "$1" ]]; }

prog=$E2E_WORK/prog
e2e_new_folder "$prog"
cp "$E2E_BUILT/plandor-remind" "$prog/"
E2E_SUPPORT=$(cd "$E2E_LIB_DIR/../support" && pwd) $E2E_PYTHON - "$prog" <<'PY'
import datetime, os, struct, sys
sys.path.insert(0, os.environ["E2E_SUPPORT"])
import plandor_files as pf
pads = [pf.pad(1, (9, 6, 0), (9, 30, 0), "会議"), pf.pad(2, (9, 7, 0), (9, 30, 0), "電話")]
for p, top in zip(pads, (373, 473)):
    struct.pack_into("<ii", p, 4, 4, top)
data = bytearray(pf.day_file(pads))
for i in range(2):
    struct.pack_into("<B1s2xiii", data, 264 + 16 * i, 1, b"L", 372 + 2 * i, 420, 0xFF)
pf.write(pf.day_path(sys.argv[1], datetime.date(2006, 1, 1)), bytes(data))
PY

clock=$E2E_WORK/clock
# Started well before 9:01, so that a busy machine still hands over in time.
echo "$(($(date -d '2006-01-01 09:00:40' +%s) - $(date +%s)))" >"$clock"
fake_now() { date -d "@$(($(date +%s) + $(cat "$clock")))" +%T; }
_fake_past() { [[ $(fake_now) > $1 || $(fake_now) == "$1" ]]; }
run() {
  local log=$E2E_WORK/$1-$(( ${#E2E_PIDS[@]} + 1 )).log
  (cd "$prog" && exec env LD_PRELOAD="$E2E_FAKETIME_LIB" FAKETIME_TIMESTAMP_FILE="$clock" FAKETIME_NO_CACHE=1 \
    FAKETIME_DONT_FAKE_MONOTONIC=1 "$prog/$1") >"$log" 2>&1 &
  E2E_PID=$!
  E2E_PIDS+=("$E2E_PID")
}

run plandor
planner=$E2E_PID
e2e_wait_window "$planner"
run plandor-remind
remind=$E2E_PID
e2e_wait_idle "$remind"  # watching the planner
kill -0 "$remind" || e2e_fail "plandor-remind ended: $(cat "$E2E_WORK"/plandor-remind-*.log)"
_fake_past 09:00:57 && e2e_fail "the start took until $(fake_now) on the faked clock, too late to judge the hand-over"
e2e_log "planner ended at $(fake_now) on the faked clock"
kill "$planner"
e2e_wait_exit "$planner"
_displayed 0 || e2e_fail "a notification before 9:01"
e2e_wait_until 30 _displayed 1 || e2e_fail "plandor-remind showed no reminder by 9:01:0x after the planner ended"
# The script reads the faked clock apart from the program and to the whole
# second: a second's grace, far below a lead's minutes.
_fake_past 09:00:59 || e2e_fail "the reminder came before 9:01 ($(fake_now))"
e2e_screenshot remind

# The planner again: 会議 was reminded, by the other program.
run plandor
planner=$E2E_PID
e2e_wait_window "$planner"
e2e_wait_idle "$planner"  # the start's reminders checked
_displayed 1 || e2e_fail "会議 reminded twice across the hand-over: $(dunstctl count displayed)"
# A click on plandor-remind's 会議 hands the pad to the running planner,
# which selects it (◆ in its mark panel); the start selected 電話, the last.
top=$(e2e_pad_top 372 240)
_marked() { (($($E2E_CHECK count "$(e2e_grab)" $((7 + 4 + 120)) $((top + 27)) $((7 + 4 + 140)) $((top + 53)) 0 0 0) > 0)); }
_marked && e2e_fail "会議 was selected before the notification's action"
dunstctl action 0
e2e_wait_until 5 _marked || e2e_fail "the action of plandor-remind's notification did not select 会議 in the running planner"
e2e_screenshot action
[[ $(e2e_window_count) -eq 1 ]] || e2e_fail "$(e2e_window_count) windows after the action, expected the one planner"
shown=$(dunstctl count displayed)
e2e_wait_until 60 _fake_past 09:02:01 || true
e2e_wait_until 5 _displayed $((shown + 1)) || e2e_fail "the planner did not remind 電話 at 9:02"
kill "$planner"
e2e_wait_exit "$planner"
e2e_wait_idle "$remind"  # the planner's end seen and the reminders checked
_displayed $((shown + 1)) || e2e_fail "plandor-remind reminded again after the planner ended: $(dunstctl count displayed)"
kill -0 "$remind" || e2e_fail "plandor-remind ended"
dunstctl close-all
e2e_wait_until 5 eval '[[ $(dunstctl count history) -ge 2 ]]' || e2e_fail "the notifications did not reach dunst's history"
dunstctl history >"$E2E_WORK/history.json"
$E2E_PYTHON - "$E2E_WORK/history.json" <<'PY' || e2e_fail "dunst's history: $(cat "$E2E_WORK/history.json")"
import json, sys
notes = [n for group in json.load(open(sys.argv[1]))["data"] for n in group]
got = sorted(n["summary"]["data"] for n in notes)
assert got == ["会議", "電話"], got
PY
[[ $(wc -l <"$prog/Reminded.txt") == 2 ]] || e2e_fail "Reminded.txt: $(cat "$prog/Reminded.txt")"
e2e_pass
