#!/usr/bin/env bash
# Nothing typed is lost: a pad dragged and stored, then the program killed
# (SIGKILL, as a crash or a power cut would end it); the next start offers
# the unsaved work, 復元する brings the pad back as unsaved work and 保存
# writes it.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_init "$1"

prog=$E2E_WORK/prog
e2e_new_folder "$prog"
day=$prog/Y200601/Y2006013.sdf
e2e_start "$prog" "2006-01-03 09:41:00"
pid=$E2E_PID
e2e_wait_window "$pid"
e2e_scroll_up_four
scroll=$E2E_SCROLLED

_title_is() { xdotool search --all --onlyvisible --pid "$pid" --name "^$1\$" >/dev/null 2>&1; }
e2e_wait_until 5 _title_is 'プランドール - 2006年1月3日 \(火\)' || e2e_fail "the title does not name the open day"

e2e_drag $E2E_LEFT_X 240 420 $scroll
top=$(e2e_pad_top 240 $scroll)
e2e_click $((7 + 4 + 33)) $((top + 67))  # the pad's 一時保存
e2e_wait_until 5 _title_is 'プランドール - 2006年1月3日 \(火\)\*' || e2e_fail "the title does not show the unsaved mark"
e2e_wait_until 5 test -s "$prog/Recovery.pdr" || e2e_fail "no recovery file after a change"
e2e_screenshot unsaved
[[ ! -e $day ]] || e2e_fail "a day file before any 保存"

kill -KILL "$pid"
e2e_wait_exit "$pid"

e2e_start "$prog" "2006-01-03 10:00:00"
pid=$E2E_PID
e2e_wait_window "$pid"
e2e_wait_until 5 e2e_box_shown "$pid" || e2e_fail "no offer of the unsaved work after a kill"
e2e_screenshot offer
xdotool key Return  # 復元する is the default
e2e_wait_until 5 _title_is 'プランドール - 2006年1月3日 \(火\)\*' || e2e_fail "the recovered day is not unsaved work"
e2e_screenshot recovered
e2e_click_save
e2e_wait_file "$day" 10728
[[ $(e2e_hex "$day" 264 16) == "01 4c 00 00 f0 00 00 00 a4 01 00 00 00 00 00 00" ]] ||
  e2e_fail "the recovered bar was not saved: $(e2e_hex "$day" 264 16)"
e2e_wait_until 5 _title_is 'プランドール - 2006年1月3日 \(火\)' || e2e_fail "the unsaved mark stayed after 保存"
[[ ! -e $prog/Recovery.pdr ]] || e2e_fail "the recovery file stayed after 保存"

# Saved: 終了 asks nothing (the question paths are widget tests).
e2e_click_exit
e2e_wait_exit "$pid"
[[ $E2E_RC -eq 0 ]] || e2e_fail "exit status $E2E_RC after 終了"
e2e_pass
