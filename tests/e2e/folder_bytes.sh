#!/usr/bin/env bash
# A program folder whose name is not UTF-8 (Shift-JIS bytes, as unpacked
# from an archive made on Windows), started from another working folder:
# its files, its month folder and the saved day land inside that folder and
# nowhere else, the help opens from it, and the past-schedule dialog starts
# in its month folder, opens a day from there and keeps its own state in
# the data folder, not in the user's configuration folder.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_init "$1"

prog=$E2E_WORK/$(printf 'sj-\x83\x76\x83\x89')
elsewhere=$E2E_WORK/elsewhere
e2e_new_folder "$prog"
mkdir "$elsewhere"
# The program runs as whoever runs the tests, perhaps root: note what the
# root folder holds, to see that nothing is added there.
strays=(/Routines.rdf /LEntries.lef /Temporary.sdf /Y200601)
before=$(ls -d "${strays[@]}" 2>/dev/null || true)

e2e_start "$prog" "2006-01-01 09:00:00" "$elsewhere"
pid=$E2E_PID
e2e_wait_window "$pid"
e2e_click_save
e2e_wait_file "$prog/Y200601/Y2006011.sdf" 10728
$E2E_CHECK routines "$prog/Routines.rdf" || e2e_fail "Routines.rdf missing or not 8 empty routines"
$E2E_CHECK list-entries "$prog/LEntries.lef" || e2e_fail "LEntries.lef missing or not the default lists"
[[ -z $(ls -A "$elsewhere") ]] || e2e_fail "files made in the working folder: $(ls -A "$elsewhere")"
[[ $(ls -d "${strays[@]}" 2>/dev/null || true) == "$before" ]] || e2e_fail "files made in the root folder"
[[ $(ls -A "$E2E_WORK" | grep -c '^sj-') -eq 1 ]] || e2e_fail "another program folder appeared: $(ls -A "$E2E_WORK")"

# ヘルプ -> 目次: the help window opens, no error box.
e2e_click 300 $((H_MENU + E2E_DESIGN_PANEL_H + E2E_SHIFT + 8))  # status bar: focus the window
xdotool key alt+h
e2e_wait_menu "$pid"
xdotool key c
e2e_wait_shown "$pid" "プランドール ヘルプ"
[[ $(e2e_windows "$pid" | grep -c .) -eq 1 ]] || e2e_fail "a box came up with the help"
xdotool key Escape  # closes it, as 閉じる(C) does
e2e_wait_closed "$pid" "プランドール ヘルプ"
e2e_click_exit
e2e_wait_exit "$pid"
[[ $E2E_RC -eq 0 ]] || e2e_fail "exit status $E2E_RC after 終了"

# The next day: スケジュール -> 過去のスケジュール opens this month's folder;
# typing yesterday's name opens it, and 保存 rewrites it there.
# The dialog's state stays in the data folder, whatever its name's bytes.
export XDG_CONFIG_HOME=$E2E_WORK/config
e2e_age "$prog/Y200601/Y2006011.sdf"
stamp=$(e2e_stamp "$prog/Y200601/Y2006011.sdf")
e2e_start "$prog" "2006-01-02 09:00:00" "$elsewhere"
pid=$E2E_PID
e2e_wait_window "$pid"
e2e_click 300 $((H_MENU + E2E_DESIGN_PANEL_H + E2E_SHIFT + 8))
xdotool key alt+d
e2e_wait_menu "$pid"
xdotool key p
e2e_wait_shown "$pid" 開く  # the file dialog
xdotool type --delay 20 "Y2006011.sdf"
xdotool key Return
e2e_wait_closed "$pid" 開く
e2e_wait_until 5 _e2e_named_shown "$pid" "プランドール - 2006年1月1日 (日)" || e2e_fail "yesterday did not open"
e2e_click_save
e2e_wait_rewritten "$prog/Y200601/Y2006011.sdf" "$stamp"
[[ ! -e $prog/Y200601/Y2006012.sdf ]] || e2e_fail "the save went to today's file, not the opened day"
e2e_click_exit
e2e_wait_exit "$pid"
[[ ! -e $XDG_CONFIG_HOME ]] || e2e_fail "the dialog wrote outside the data folder: $(find "$XDG_CONFIG_HOME")"
[[ -z $(find "$prog" -maxdepth 1 -name "QtProject*") ]] || e2e_fail "the dialog wrote its state into the data folder"
e2e_pass
