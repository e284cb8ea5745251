#!/usr/bin/env bash
# Nothing typed is lost: tomorrow planned tonight, then the program killed
# (SIGKILL, as a crash or a power cut would end it); the next start, still
# today, offers tomorrow's work, 復元する opens tomorrow with it as unsaved
# work and 保存 writes tomorrow's file. Then text typed into a pad and
# SIGTERM within the second: the text is in the recovery file before the end.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_init "$1"

prog=$E2E_WORK/prog
e2e_new_folder "$prog"
day=$prog/Y200601/Y2006013.sdf
recovery=$prog/Recovery-2006-01-03.pdr
e2e_start "$prog" "2006-01-02 21:40:00"
pid=$E2E_PID
e2e_wait_window "$pid"

_title_is() { xdotool search --all --onlyvisible --pid "$pid" --name "^$1\$" >/dev/null 2>&1; }
e2e_wait_until 5 _title_is 'プランドール - 2006年1月2日 \(月\)' || e2e_fail "the title does not name today"
e2e_click 300 $((H_MENU + E2E_DESIGN_PANEL_H + E2E_SHIFT + 8))  # status bar: focus the window
xdotool key alt+Right  # 次の日
e2e_wait_until 5 _title_is 'プランドール - 2006年1月3日 \(火\)' || e2e_fail "次の日 did not open tomorrow"
e2e_scroll_up_four
scroll=$E2E_SCROLLED

e2e_changes "$prog" 2006-01-03 e2e_drag $E2E_LEFT_X 240 420 $scroll
top=$(e2e_pad_top 240 $scroll)
e2e_click $((7 + 4 + 33)) $((top + 67))  # the pad's 一時保存
e2e_wait_until 5 _title_is 'プランドール - 2006年1月3日 \(火\)\*' || e2e_fail "the title does not show the unsaved mark"
e2e_wait_until 5 test -s "$recovery" || e2e_fail "no recovery file for tomorrow after a change"
e2e_screenshot unsaved
[[ ! -e $day ]] || e2e_fail "a day file before any 保存"

kill -KILL "$pid"
e2e_wait_exit "$pid"

e2e_start "$prog" "2006-01-02 21:50:00"
pid=$E2E_PID
e2e_wait_window "$pid"
e2e_wait_until 5 e2e_box_shown "$pid" || e2e_fail "no offer of tomorrow's work after a kill"
e2e_screenshot offer
e2e_wait_keyboard "$(e2e_box_of "$pid")" "the offer of tomorrow's work"
xdotool key Return  # 復元する is the default
e2e_wait_until 5 _title_is 'プランドール - 2006年1月3日 \(火\)\*' || e2e_fail "tomorrow did not open with its work unsaved"
e2e_screenshot recovered
e2e_click_save
e2e_wait_file "$day" 10728
[[ $(e2e_hex "$day" 264 16) == "01 4c 00 00 f0 00 00 00 a4 01 00 00 00 00 00 00" ]] ||
  e2e_fail "the recovered bar was not saved: $(e2e_hex "$day" 264 16)"
e2e_wait_until 5 _title_is 'プランドール - 2006年1月3日 \(火\)' || e2e_fail "the unsaved mark stayed after 保存"
[[ ! -e $recovery ]] || e2e_fail "the recovery file stayed after 保存"

# Typed, and told to end at once: the text reaches the file first.
xdotool mousemove 500 $((H_MENU + 300))
# The view to its top (the restore scrolled it to the pad); the wheel's
# events are taken before the click that follows them.
for _ in $(seq 20); do xdotool click 4; done
top=$(e2e_pad_top 240 0)
e2e_click $((7 + 4 + 145 + 50)) $((top + 15))  # the pad's keyword box
xdotool key ctrl+a
xdotool type --delay 20 "typed"
kill -TERM "$pid"
e2e_wait_exit "$pid"
[[ $E2E_RC -eq 143 ]] || e2e_fail "exit status $E2E_RC after SIGTERM, expected the signal's"
[[ -s $recovery ]] || e2e_fail "SIGTERM left no recovery file"
grep -aq typed "$recovery" || e2e_fail "the typed text is not in the recovery file"
e2e_pass
