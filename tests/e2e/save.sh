#!/usr/bin/env bash
# The Save button, pressed with the pointer: the first save creates today's
# day file with its header (path in Shift-JIS, creation date without time of
# day) and empty records; later saves rewrite the records and keep the
# header; a new start on the same day loads the file without writing it.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_init "$1"

# A folder name with Japanese text and a blank: 予 and 表 have 0x5C as their
# second Shift-JIS byte, which must not be taken for a path separator.
prog="$E2E_WORK/予定表 2006/prog"
e2e_new_folder "$prog"
day=$prog/Y200601/Y2006011.sdf

e2e_start "$prog" "2006-01-01 09:00:00"
pid=$E2E_PID
e2e_wait_window "$pid"
[[ -d $prog/Y200601 && -z $(ls -A "$prog/Y200601") ]] || e2e_fail "Y200601 missing or not empty before the first save"

e2e_click_save
e2e_wait_file "$day" 10728
[[ $(ls -A "$prog/Y200601") == Y2006011.sdf ]] || e2e_fail "month folder after save: $(ls -A "$prog/Y200601")"
$E2E_CHECK empty-day "$day" "$day" 2006-01-01 || e2e_fail "first save wrote a wrong day file"
[[ $(e2e_hex "$day" 256 8) == "00 00 00 00 c0 e7 e2 40" ]] || e2e_fail "created date bytes $(e2e_hex "$day" 256 8)"
cp "$day" "$E2E_WORK/first.sdf"

# A second save writes the file again (its time moves) and keeps the header.
e2e_age "$day"
stamp=$(e2e_stamp "$day")
# A click elsewhere first: two on 保存 in a row would make a double click.
e2e_click 300 $((H_MENU + E2E_DESIGN_PANEL_H + E2E_SHIFT + 8))  # the status bar
e2e_click_save
e2e_wait_rewritten "$day" "$stamp"
cmp -n 264 "$day" "$E2E_WORK/first.sdf" || e2e_fail "second save changed the header (bytes 0..263)"
cmp "$day" "$E2E_WORK/first.sdf" || e2e_fail "second save of an unchanged day changed its records"
[[ $(ls -A "$prog/Y200601") == Y2006011.sdf ]] || e2e_fail "month folder after second save: $(ls -A "$prog/Y200601")"

e2e_click_exit
e2e_wait_exit "$pid"
[[ $E2E_RC -eq 0 ]] || e2e_fail "exit status $E2E_RC after 終了"
[[ $(e2e_window_count) -eq 0 ]] || e2e_fail "a window is left after 終了"

# Same day, later hour: the file is loaded, not rewritten, and the first-use
# hint (shown only while the day has no file) stays hidden.
e2e_age "$day"
stamp=$(e2e_stamp "$day")
e2e_start "$prog" "2006-01-01 17:45:00"
pid=$E2E_PID
e2e_wait_window "$pid"
hint=$(e2e_hint_pixels)
[[ $hint -eq 0 ]] || e2e_fail "first-use hint shown although today's file exists ($hint hint pixels)"
e2e_alive "$pid" || e2e_fail "program ended after loading its day file"
[[ $(e2e_stamp "$day") == "$stamp" ]] || e2e_fail "day file rewritten by the start"
cmp "$day" "$E2E_WORK/first.sdf" || e2e_fail "day file changed by the start"

# Saving the loaded day keeps the header it was loaded with.
e2e_click_save
e2e_wait_rewritten "$day" "$stamp"
cmp "$day" "$E2E_WORK/first.sdf" || e2e_fail "save after a load changed the file"
e2e_click_exit
e2e_wait_exit "$pid"
[[ $E2E_RC -eq 0 ]] || e2e_fail "exit status $E2E_RC after 終了"

# Another day in the afternoon, in a folder whose path is longer than the
# header can hold: the date has no time-of-day fraction, the two-digit day
# and month appear in the names, and the path is cut to 255 bytes.
long=$E2E_WORK
while ((${#long} < 300)); do long+=/folder-name-to-make-the-path-long; done
e2e_new_folder "$long"
day=$long/Y200511/Y20051125.sdf
e2e_start "$long" "2005-11-25 13:30:00"
pid=$E2E_PID
e2e_wait_window "$pid"
e2e_click_save
e2e_wait_file "$day" 10728
$E2E_CHECK empty-day "$day" "$day" 2005-11-25 || e2e_fail "wrong day file for 2005-11-25 in a long path"
[[ $(od -An -t u1 -N 1 "$day" | tr -d ' ') -eq 255 ]] || e2e_fail "path length byte is not 255 for a long path"
[[ $(ls -A "$long") == *Y200511* && ! -e $long/Y200601 ]] || e2e_fail "month folders: $(ls -A "$long")"
e2e_click_exit
e2e_wait_exit "$pid"

e2e_pass
