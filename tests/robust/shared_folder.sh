#!/usr/bin/env bash
# The real program on a folder the rest of the desktop reaches too:
# - start-up cleans only the program's own stale temporaries: the user's
#   .Routines.rdf.backup and an rsync transfer's in-flight file stay;
# - a day file with bytes past the record keeps them through 保存;
# - a day file renamed over by another program is never saved over without
#   a question: 別名で保存 puts the program's day beside it, キャンセル (the
#   default) leaves everything as it was;
# - a data folder put back from a backup under the running program is never
#   written into;
# - a save as root keeps the user's owner, group and mode (root only);
# - a Shutter.wav that is a FIFO is not played and does not hold up 終了.
#   shared_folder.sh PROGRAM_FOLDER
set -euo pipefail
source "$(dirname "$0")/../e2e/lib.sh"
e2e_init "$1"

_no_box() { ! e2e_box_shown "$1"; }
# Clicks the button N places from the right (0: the last one) of a box.
click_button() {
  local g x y w h
  g=$(xdotool getwindowgeometry "$1")
  read -r x y < <(sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p' <<<"$g")
  read -r w h < <(sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p' <<<"$g")
  e2e_click $((x + w - 50 - $2 * ${3:-92})) $((y + h - 24))
}

a=$E2E_WORK/a
day=$a/Y200601/Y2006011.sdf
e2e_new_folder "$a"
mkdir "$a/Y200601"
tail29="another tool keeps 29 bytes."
[[ ${#tail29} -eq 28 ]] && tail29+="!"
# Files an earlier run and other tools left.
e2e_start "$a"
e2e_wait_window "$E2E_PID"
e2e_click_save
e2e_wait_file "$day" 10728
e2e_click_exit
e2e_wait_exit "$E2E_PID"
printf '%s' "$tail29" >>"$day"
for f in .Routines.rdf.backup .Routines.rdf.a1B2c3 .Routines.rdf.plandor-save-backup .Routines.rdf.plandor-save-a1b2c3d4e5f6 Y200601/.Y2006011.sdf.plandor-save-99aa88bb77cc; do
  echo "not the planner's own" >"$a/$f"
done
e2e_age "$a/.Routines.rdf.backup" "$a/.Routines.rdf.a1B2c3" "$a/.Routines.rdf.plandor-save-backup" "$a/.Routines.rdf.plandor-save-a1b2c3d4e5f6" \
  "$a/Y200601/.Y2006011.sdf.plandor-save-99aa88bb77cc"
if [[ $(id -u) -eq 0 ]]; then
  chown -R 4242:4243 "$a"
  chmod 0640 "$a/Routines.rdf" "$day"
fi

e2e_start "$a"
pid=$E2E_PID
e2e_wait_window "$pid"
[[ -f $a/.Routines.rdf.backup ]] || e2e_fail "start-up removed the user's .Routines.rdf.backup"
[[ -f $a/.Routines.rdf.a1B2c3 ]] || e2e_fail "start-up removed an rsync transfer's file"
[[ -f $a/.Routines.rdf.plandor-save-backup ]] || e2e_fail "start-up removed the user's .Routines.rdf.plandor-save-backup"
[[ ! -e $a/.Routines.rdf.plandor-save-a1b2c3d4e5f6 ]] || e2e_fail "start-up left its own stale temporary"
[[ ! -e $a/Y200601/.Y2006011.sdf.plandor-save-99aa88bb77cc ]] || e2e_fail "start-up left its own stale day temporary"

# 保存 keeps the bytes past the record, and as root the user's ownership.
stamp=$(e2e_stamp "$day")
e2e_click_save
e2e_wait_rewritten "$day" "$stamp"
[[ $(stat -c %s "$day") -eq $((10728 + 29)) ]] || e2e_fail "保存 cut the day file to $(stat -c %s "$day") bytes"
[[ $(tail -c 29 "$day") == "$tail29" ]] || e2e_fail "保存 changed the bytes past the record"
if [[ $(id -u) -eq 0 ]]; then
  [[ $(stat -c '%u:%g %a' "$day") == "4242:4243 640" ]] || e2e_fail "a save as root took the day file: $(stat -c '%u:%g %a' "$day")"
fi

# Another computer's version arrives through a sync tool.
printf 'Z%.0s' $(seq 10728) >"$day.sync-tmp"
mv "$day.sync-tmp" "$day"
theirs=$(sha256sum <"$day")
e2e_click_save
e2e_wait_until 5 e2e_box_shown "$pid" || e2e_fail "no question after the day file was replaced"
e2e_screenshot changed-question
click_button "$(e2e_box_of "$pid")" 0        # キャンセル
e2e_wait_until 5 _no_box "$pid" || e2e_fail "the question stayed after キャンセル"
[[ $(sha256sum <"$day") == "$theirs" ]] || e2e_fail "キャンセル saved over the other program's file"
e2e_click_save
e2e_wait_until 5 e2e_box_shown "$pid" || e2e_fail "no question at the second 保存"
click_button "$(e2e_box_of "$pid")" 1        # 別名で保存
_copy_made() { compgen -G "$a/Y200601/Y2006011 (2006-01-01 09-0?).sdf" >/dev/null; }
e2e_wait_until 5 _copy_made || e2e_fail "別名で保存 made no copy beside the day: $(ls "$a/Y200601")"
e2e_wait_until 5 e2e_box_shown "$pid" || e2e_fail "no box naming the copy"
e2e_screenshot copy-told
click_button "$(e2e_box_of "$pid")" 0        # OK
[[ $(sha256sum <"$day") == "$theirs" ]] || e2e_fail "別名で保存 changed the other program's file"
copy=$(compgen -G "$a/Y200601/Y2006011 (2006-01-01 09-0?).sdf")
[[ $(stat -c %s "$copy") -eq 10728 ]] || e2e_fail "the copy is $(stat -c %s "$copy") bytes"

# The whole folder put back from a backup under the running program: 保存
# tells, and writes into neither folder.
e2e_wait_until 5 _no_box "$pid" || e2e_fail "the box naming the copy stayed"
mv "$a" "$a.before-restore"
cp -a "$a.before-restore" "$a"
restored=$(cd "$a" && find . -type f -exec sha256sum {} + | sort)
e2e_click_save
e2e_wait_until 5 e2e_box_shown "$pid" || e2e_fail "no box when saving into a folder restored under the program"
e2e_screenshot folder-replaced
click_button "$(e2e_box_of "$pid")" 0
[[ $(cd "$a" && find . -type f -exec sha256sum {} + | sort) == "$restored" ]] || e2e_fail "保存 wrote into the restored folder"
[[ $(sha256sum <"$a.before-restore/Y200601/Y2006011.sdf") == "$theirs" ]] || e2e_fail "保存 wrote into the folder moved aside"
e2e_click_exit
e2e_wait_exit "$pid"

# A FIFO in place of the sound: a box, and 終了 still ends the program.
rm "$a/Shutter.wav"
mkfifo "$a/Shutter.wav"
e2e_start "$a"
pid=$E2E_PID
e2e_wait_until 15 e2e_box_shown "$pid" || e2e_fail "no box for a sound file that is a FIFO"
e2e_screenshot fifo-sound
click_button "$(e2e_box_of "$pid")" 0
e2e_wait_until 5 _no_box "$pid" || e2e_fail "the sound box stayed"
e2e_click_exit
e2e_wait_exit "$pid" 5
e2e_pass
