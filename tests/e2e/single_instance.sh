#!/usr/bin/env bash
# One running copy per program folder: a second start from the same folder
# brings the running copy to the front and ends at once without a window or
# a write, whatever its temporary folder; a copy in another folder runs on
# its own; a running copy that does not answer gets a box, not a silent
# end; a copy killed without cleaning up does not block the next start;
# two copies started together leave exactly one running.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_init "$1"

a=$E2E_WORK/a
b=$E2E_WORK/b
e2e_new_folder "$a"
e2e_new_folder "$b"
ln -s "$a" "$E2E_WORK/link-to-a"

_no_hint() { [[ $(e2e_hint_pixels) -eq 0 ]]; }
_hint_shown() { [[ $(e2e_hint_pixels) -gt 2000 ]]; }

# Copy A with a saved day and the first-use hint clicked away, so that the
# screen tells A (no hint) from B (hint) when one covers the other.
e2e_start "$a"
pid_a=$E2E_PID
e2e_wait_window "$pid_a"
e2e_click_save
e2e_wait_file "$a/Y200601/Y2006011.sdf" 10728
e2e_click 500 $((H_MENU + 120))
e2e_wait_until 3 _no_hint || e2e_fail "a click on the first-use hint did not hide it"

# Copy B in another folder opens its own window on top of A.
e2e_start "$b"
pid_b=$E2E_PID
e2e_wait_window "$pid_b"
n=$(e2e_window_count)
[[ $n -eq 2 ]] || e2e_fail "$n windows with copies in two folders, expected 2"
[[ -f $b/Routines.rdf && -f $b/LEntries.lef && -d $b/Y200601 ]] || e2e_fail "copy B did not prepare its own folder"
[[ $(e2e_hint_pixels) -gt 2000 ]] || e2e_fail "copy B is not on top"

# Second starts of A, directly and through a link to its folder: each ends
# with status 0 within a few seconds, shows no window, writes nothing, and A
# comes to the front.
e2e_age "$a/Routines.rdf" "$a/LEntries.lef" "$a/Y200601/Y2006011.sdf"
stamps=$(e2e_stamp "$a/Routines.rdf"; e2e_stamp "$a/LEntries.lef"; e2e_stamp "$a/Y200601/Y2006011.sdf")
for folder in "$a" "$E2E_WORK/link-to-a"; do
  begin=$(date +%s%N)
  e2e_start "$folder"
  pid_second=$E2E_PID
  most=0
  while e2e_alive "$pid_second"; do
    n=$(e2e_window_count)
    ((n > most)) && most=$n
    (($(date +%s%N) - begin < 5000000000)) || e2e_fail "second start from $folder still running after 5 s"
    sleep 0.02
  done
  e2e_wait_exit "$pid_second"
  [[ $E2E_RC -eq 0 ]] || e2e_fail "second start from $folder ended with status $E2E_RC"
  e2e_log "second start from $folder ended after $((($(date +%s%N) - begin) / 1000000)) ms"
  ((most <= 2)) || e2e_fail "second start from $folder showed a window"
  [[ $(e2e_window_count) -eq 2 ]] || e2e_fail "$(e2e_window_count) windows after a second start"
  e2e_alive "$pid_a" || e2e_fail "copy A ended at a second start"
  e2e_wait_until 3 _no_hint || e2e_fail "copy A did not come to the front at a second start from $folder"
  # B is covered now; bring it forward the same way for the next round.
  if [[ $folder == "$a" ]]; then
    e2e_start "$b"
    e2e_wait_exit "$E2E_PID"
    [[ $E2E_RC -eq 0 ]] || e2e_fail "second start of B ended with status $E2E_RC"
    e2e_wait_until 3 _hint_shown || e2e_fail "copy B did not come to the front"
  fi
done
now=$(e2e_stamp "$a/Routines.rdf"; e2e_stamp "$a/LEntries.lef"; e2e_stamp "$a/Y200601/Y2006011.sdf")
[[ $now == "$stamps" ]] || e2e_fail "a second start wrote into the running copy's folder"

# The claim belongs to the folder, not to the environment: a second start
# with another temporary folder still finds A.
mkdir -m 0700 "$E2E_WORK/tmp2"
TMPDIR=$E2E_WORK/tmp2 e2e_start "$a"
e2e_wait_exit "$E2E_PID" 5
[[ $E2E_RC -eq 0 ]] || e2e_fail "second start with another TMPDIR ended with status $E2E_RC"
[[ $(e2e_window_count) -eq 2 ]] || e2e_fail "$(e2e_window_count) windows after a second start with another TMPDIR"

# A running copy that does not answer (stopped here) is not taken for a
# free folder, and the second start says so in a box instead of ending
# silently. Once A runs again, the request it finds from the departed
# copy does not harm it.
kill -STOP "$pid_a"
e2e_start "$a"
pid_second=$E2E_PID
e2e_wait_until 10 e2e_box_shown "$pid_second" || e2e_fail "no box from a second start while the running copy does not answer"
e2e_screenshot no-answer
kill "$pid_second"
e2e_wait_exit "$pid_second"
kill -CONT "$pid_a"
e2e_wait_idle "$pid_a"  # the departed second start's request taken
e2e_alive "$pid_a" || e2e_fail "copy A ended after answering a departed second start"
[[ $(e2e_window_count) -eq 2 ]] || e2e_fail "$(e2e_window_count) windows after the unanswered start"

# A copy killed outright cannot clean up; the next start must not take
# anything it left for a running copy.
e2e_alive "$pid_a" || e2e_fail "copy A ended on its own"
e2e_log "killing copy A with SIGKILL (the shell reports it as Killed)"
kill -9 "$pid_a"
e2e_wait_exit "$pid_a"
e2e_start "$a"
pid_a=$E2E_PID
e2e_wait_window "$pid_a"
[[ $(e2e_window_count) -eq 2 ]] || e2e_fail "$(e2e_window_count) windows after restarting a killed copy"
e2e_click_exit                      # A, on top
e2e_wait_exit "$pid_a"
e2e_click_exit                      # then B
e2e_wait_exit "$pid_b"
[[ $(e2e_window_count) -eq 0 ]] || e2e_fail "windows left after both copies ended"

# Two copies started together on a fresh folder: one window, one process.
# A few rounds, since a race shows only sometimes.
for round in 1 2 3; do
  c=$E2E_WORK/c$round
  e2e_new_folder "$c"
  e2e_start "$c"
  p1=$E2E_PID
  e2e_start "$c"
  p2=$E2E_PID
  _one_gone() { ! e2e_alive "$p1" || ! e2e_alive "$p2"; }
  e2e_wait_until 5 _one_gone || e2e_fail "round $round: both copies still running after 5 s"
  if e2e_alive "$p1"; then winner=$p1 loser=$p2; else winner=$p2 loser=$p1; fi
  e2e_wait_exit "$loser"
  [[ $E2E_RC -eq 0 ]] || e2e_fail "round $round: the second copy ended with status $E2E_RC"
  e2e_wait_window "$winner"
  e2e_wait_idle "$winner"
  e2e_alive "$winner" || e2e_fail "round $round: no copy left running"
  [[ $(e2e_window_count) -eq 1 ]] || e2e_fail "round $round: $(e2e_window_count) windows, expected 1"
  $E2E_CHECK routines "$c/Routines.rdf" || e2e_fail "round $round: Routines.rdf damaged"
  $E2E_CHECK list-entries "$c/LEntries.lef" || e2e_fail "round $round: LEntries.lef damaged"
  e2e_click_exit
  e2e_wait_exit "$winner"
done

e2e_pass
