#!/usr/bin/env bash
# Two copies of the real program started at the same instant on one fresh
# program folder, ROUNDS times (default 20): each time exactly one window
# opens, exactly one process stays, the other ends with status 0, and the
# files the start-up creates are whole.
#   two_copies.sh PROGRAM_FOLDER [ROUNDS]
set -euo pipefail
source "$(dirname "$0")/../e2e/lib.sh"
e2e_init "$1"
rounds=${2:-20}

# Both copies spin on the same go file and exec the program the moment it
# appears, so they start within microseconds of each other; each leaves a
# file beside it once it spins.
start_at_go() {
  local dir=$1 go=$2 log ready
  log=$E2E_WORK/plandor-$((${#E2E_PIDS[@]} + 1)).log
  ready=$go.ready$((${#E2E_PIDS[@]} + 1))
  (
    cd "$dir"
    : >"$ready"
    while [[ ! -e $go ]]; do :; done
    exec env LD_PRELOAD="$E2E_FAKETIME_LIB" FAKETIME="@2006-01-01 09:00:00" "$dir/plandor"
  ) >"$log" 2>&1 &
  E2E_PID=$!
  E2E_PIDS+=("$E2E_PID")
}

_one_gone() { ! e2e_alive "$p1" || ! e2e_alive "$p2"; }
_shows_window() { [[ $(e2e_window_count "$winner") -ge 1 ]]; }
_no_window() { [[ $(e2e_window_count) -eq 0 ]]; }

first_won=0
for ((round = 1; round <= rounds; round++)); do
  c=$E2E_WORK/c$round
  go=$E2E_WORK/go$round
  e2e_new_folder "$c"
  start_at_go "$c" "$go"
  p1=$E2E_PID
  start_at_go "$c" "$go"
  p2=$E2E_PID
  _both_spin() { [[ $(compgen -G "$go.ready*" | grep -c .) -eq 2 ]]; }
  e2e_wait_until 5 _both_spin || e2e_fail "round $round: the copies did not get ready to start"
  : >"$go"

  e2e_wait_until 10 _one_gone || e2e_fail "round $round: both copies still running after 10 s"
  if e2e_alive "$p1"; then winner=$p1 loser=$p2; else winner=$p2 loser=$p1; fi
  [[ $winner == "$p1" ]] && first_won=$((first_won + 1))
  e2e_wait_exit "$loser"
  [[ $E2E_RC -eq 0 ]] || e2e_fail "round $round: the copy that gave way ended with status $E2E_RC"
  e2e_wait_until 15 _shows_window || e2e_fail "round $round: the remaining copy shows no window"
  e2e_wait_idle "$winner"
  e2e_alive "$winner" || e2e_fail "round $round: no copy left running"
  n=$(e2e_window_count)
  [[ $n -eq 1 ]] || e2e_fail "round $round: $n windows, expected 1"
  [[ $(stat -c %s "$c/Routines.rdf") -eq 3200 ]] || e2e_fail "round $round: Routines.rdf is not 3200 bytes"
  [[ $(stat -c %s "$c/LEntries.lef") -eq 3072 ]] || e2e_fail "round $round: LEntries.lef is not 3072 bytes"
  $E2E_CHECK routines "$c/Routines.rdf" || e2e_fail "round $round: Routines.rdf damaged"
  $E2E_CHECK list-entries "$c/LEntries.lef" || e2e_fail "round $round: LEntries.lef damaged"
  [[ -d $c/Y200601 ]] || e2e_fail "round $round: no month folder"

  kill -TERM "$winner"
  e2e_wait_exit "$winner"
  e2e_wait_until 5 _no_window || e2e_fail "round $round: a window stayed after the copy ended"
done
e2e_log "$rounds rounds: the first started copy stayed $first_won times"
e2e_pass
