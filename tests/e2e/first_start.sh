#!/usr/bin/env bash
# First start in an empty program folder: the routine file, the list file and
# this month's folder appear beside the executable with their default bytes,
# and no day file is made before the first save. Later starts leave existing
# files alone and only add a missing month folder.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_init "$1"

prog=$E2E_WORK/prog
elsewhere=$E2E_WORK/elsewhere
e2e_new_folder "$prog"
mkdir "$elsewhere"

listing() { (cd "$1" && find . -mindepth 1 | LC_ALL=C sort | tr '\n' ' '); }

# Started from another working folder: the data belong beside the
# executable, not in the folder the program was started from.
e2e_start "$prog" "2006-01-01 09:00:00" "$elsewhere"
pid=$E2E_PID
e2e_wait_window "$pid"
e2e_log "menu bar $H_MENU px, panel $PANEL_H px"

[[ -z $(ls -A "$elsewhere") ]] || e2e_fail "files made in the working folder: $(ls -A "$elsewhere")"
want="./LEntries.lef ./PLANDOR.HLP ./Routines.rdf ./Shutter.wav ./Y200601 ./plandor ./plandor-sound.so "
got=$(listing "$prog")
[[ $got == "$want" ]] || e2e_fail "program folder after first start: '$got', expected '$want'"
[[ -d $prog/Y200601 ]] || e2e_fail "Y200601 is not a folder"

$E2E_CHECK routines "$prog/Routines.rdf" || e2e_fail "Routines.rdf is not 8 empty routines"
$E2E_CHECK list-entries "$prog/LEntries.lef" || e2e_fail "LEntries.lef does not hold the default lists"
# Known bytes, independent of the encoder the checks use: キーワード and 説明.
[[ $(e2e_hex "$prog/LEntries.lef" 0 11) == "0a 83 4c 81 5b 83 8f 81 5b 83 68" ]] || e2e_fail "keyword slot 0 wrong"
[[ $(e2e_hex "$prog/LEntries.lef" 768 5) == "04 90 e0 96 be" ]] || e2e_fail "description slot 0 wrong"

# No day file yet, so the first-use hint is up.
hint=$(e2e_hint_pixels)
((hint > 2000)) || e2e_fail "first-use hint not shown ($hint hint pixels)"

e2e_click_exit
e2e_wait_exit "$pid"
[[ $E2E_RC -eq 0 ]] || e2e_fail "exit status $E2E_RC after 終了"
[[ $(listing "$prog") == "$want" ]] || e2e_fail "program folder changed at exit: $(listing "$prog")"

# A restart on the same day rewrites nothing. Old times make a rewrite show,
# whether in place or by replacing the file.
e2e_age "$prog/Routines.rdf" "$prog/LEntries.lef" "$prog/Y200601"
rdf=$(e2e_stamp "$prog/Routines.rdf")
lef=$(e2e_stamp "$prog/LEntries.lef")
month=$(e2e_stamp "$prog/Y200601")
cp "$prog/Routines.rdf" "$E2E_WORK/Routines.before"
cp "$prog/LEntries.lef" "$E2E_WORK/LEntries.before"

e2e_start "$prog" "2006-01-01 21:15:00"
pid=$E2E_PID
e2e_wait_window "$pid"
hint=$(e2e_hint_pixels)
((hint > 2000)) || e2e_fail "first-use hint not shown at restart without a day file ($hint hint pixels)"
[[ $(e2e_stamp "$prog/Routines.rdf") == "$rdf" ]] || e2e_fail "Routines.rdf rewritten at restart"
[[ $(e2e_stamp "$prog/LEntries.lef") == "$lef" ]] || e2e_fail "LEntries.lef rewritten at restart"
[[ $(e2e_stamp "$prog/Y200601") == "$month" ]] || e2e_fail "Y200601 touched at restart"
cmp "$prog/Routines.rdf" "$E2E_WORK/Routines.before" || e2e_fail "Routines.rdf changed at restart"
cmp "$prog/LEntries.lef" "$E2E_WORK/LEntries.before" || e2e_fail "LEntries.lef changed at restart"
[[ $(listing "$prog") == "$want" ]] || e2e_fail "program folder changed at restart: $(listing "$prog")"
e2e_click_exit
e2e_wait_exit "$pid"

# Files that differ from the defaults are taken as they are: a keyword list
# of the user's own and a stored routine survive a start in a new month,
# which only adds that month's folder.
{
  printf '\x04'; printf '会議' | iconv -t CP932; head -c 27 /dev/zero   # keyword slot 0
  head -c $((3072 - 32)) /dev/zero
} >"$prog/LEntries.lef"
$E2E_PYTHON - "$prog/Routines.rdf" <<'EOF'
import struct, sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
struct.pack_into("<iii", data, 0, 1, 4, 241)        # routine 1, left pane, row of 08:00
keyword = "朝会".encode("cp932")
data[12:13 + len(keyword)] = bytes([len(keyword)]) + keyword
struct.pack_into("<iii", data, 108, 0x0000FF, 8, 0)  # red, 08:00
struct.pack_into("<ii", data, 124, 8, 30)            # until 08:30
data[389] = 1                                        # shown
data[390:397] = b"\x00\x01\x01\x01\x01\x01\x00"      # Monday to Friday
open(path, "wb").write(data)
EOF
[[ $(stat -c %s "$prog/LEntries.lef") -eq 3072 ]] || e2e_fail "test list file has the wrong size"
e2e_age "$prog/Routines.rdf" "$prog/LEntries.lef" "$prog/Y200601"
cp "$prog/Routines.rdf" "$E2E_WORK/Routines.before"
cp "$prog/LEntries.lef" "$E2E_WORK/LEntries.before"
rdf=$(e2e_stamp "$prog/Routines.rdf")
lef=$(e2e_stamp "$prog/LEntries.lef")
month=$(e2e_stamp "$prog/Y200601")

e2e_start "$prog" "2006-12-31 23:00:00"
pid=$E2E_PID
e2e_wait_window "$pid"
[[ -d $prog/Y200612 ]] || e2e_fail "Y200612 not created at a start in December"
[[ -z $(ls -A "$prog/Y200612") ]] || e2e_fail "Y200612 not empty: $(ls -A "$prog/Y200612")"
want="./LEntries.lef ./PLANDOR.HLP ./Routines.rdf ./Shutter.wav ./Y200601 ./Y200612 ./plandor ./plandor-sound.so "
[[ $(listing "$prog") == "$want" ]] || e2e_fail "program folder after a start in December: $(listing "$prog")"
[[ $(e2e_stamp "$prog/Routines.rdf") == "$rdf" ]] || e2e_fail "own Routines.rdf rewritten at start"
[[ $(e2e_stamp "$prog/LEntries.lef") == "$lef" ]] || e2e_fail "own LEntries.lef rewritten at start"
[[ $(e2e_stamp "$prog/Y200601") == "$month" ]] || e2e_fail "Y200601 touched at a start in December"
cmp "$prog/Routines.rdf" "$E2E_WORK/Routines.before" || e2e_fail "own Routines.rdf changed at start"
cmp "$prog/LEntries.lef" "$E2E_WORK/LEntries.before" || e2e_fail "own LEntries.lef changed at start"
e2e_click_exit
e2e_wait_exit "$pid"
[[ $E2E_RC -eq 0 ]] || e2e_fail "exit status $E2E_RC after 終了"

e2e_pass
