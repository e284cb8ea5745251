#!/usr/bin/env bash
# A program left running past midnight keeps the day it started on: saves
# after midnight go to the start-up day's file in the start-up month's folder,
# a file saved before midnight keeps its header, and a day first saved after
# midnight is stamped with the start-up day like the rest of its header.
# New Year's Eve, so that day, month and year all change.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_init "$1"

eve="2005-12-31 23:59:56"    # four seconds before midnight
eve_a="2005-12-31 23:59:41"  # A: time enough for its first save on a busy machine
a=$E2E_WORK/a
b=$E2E_WORK/b
e2e_new_folder "$a"
e2e_new_folder "$b"
day_a=$a/Y200512/Y20051231.sdf
day_b=$b/Y200512/Y20051231.sdf
now_ms() { echo $(($(date +%s%N) / 1000000)); }
_past() { (($(now_ms) >= $1)); }

# Copy A saves before its midnight.
start_a=$(now_ms)
e2e_start "$a" "$eve_a"
pid_a=$E2E_PID
e2e_wait_window "$pid_a"
e2e_click_save
e2e_wait_file "$day_a" 10728
took=$(($(now_ms) - start_a))
((took < 18500)) || e2e_fail "the first save took ${took} ms and may have come after midnight"
$E2E_CHECK empty-day "$day_a" "$day_a" 2005-12-31 || e2e_fail "save before midnight wrote a wrong day file"
cp "$day_a" "$E2E_WORK/a-first.sdf"

# Copy B opens on top of A and first saves after its midnight.
start_b=$(now_ms)
e2e_start "$b" "$eve"
pid_b=$E2E_PID
e2e_wait_window "$pid_b"
e2e_wait_until 10 _past $((start_b + 4600)) || true
e2e_click_save
e2e_wait_file "$day_b" 10728
[[ ! -e $b/Y200601 ]] || e2e_fail "a save after midnight made the new month's folder"
[[ $(ls -A "$b/Y200512") == Y20051231.sdf ]] || e2e_fail "B's month folder: $(ls -A "$b/Y200512")"
e2e_click_exit
e2e_wait_exit "$pid_b"

# With B gone, A is on top again: its save after midnight keeps the header.
e2e_wait_until 30 _past $((start_a + 19600)) || true
e2e_age "$day_a"
stamp=$(e2e_stamp "$day_a")
e2e_click_save
e2e_wait_rewritten "$day_a" "$stamp"
cmp "$day_a" "$E2E_WORK/a-first.sdf" || e2e_fail "a save after midnight changed the file saved before it"
[[ ! -e $a/Y200601 && ! -e $a/Y200601/Y2006011.sdf ]] || e2e_fail "A made the new month's folder"
e2e_click_exit
e2e_wait_exit "$pid_a"

# B's header: its own path, and the day the program started on, which is the
# day the file belongs to and the date the window showed for it until then.
$E2E_CHECK day-header "$day_b" "$day_b" 2005-12-31 ||
  e2e_fail "a day first saved after midnight is not stamped with its own (start-up) day"
$E2E_CHECK empty-day "$day_b" "$day_b" 2005-12-31 || e2e_fail "B's day file is wrong"

e2e_pass
