#!/usr/bin/env bash
# One running copy per folder, whatever network namespace a copy starts in:
# a second copy under `unshare -n` (as sandboxed launchers start programs)
# cannot reach the first one's socket, yet it never opens a window of its
# own on the folder; it says so in a box and ends. A lock that cannot be
# taken for another reason (ENOLCK) is told once and the copy runs; a second
# start still brings it forward.
#   sandbox_copy.sh PROGRAM_FOLDER
set -euo pipefail
source "$(dirname "$0")/../e2e/lib.sh"
[[ $(id -u) -eq 0 ]] || { echo "SKIP: unshare -n needs root" >&2; exit 77; }
unshare -n true 2>/dev/null || { echo "SKIP: unshare -n is not allowed here" >&2; exit 77; }
command -v strace >/dev/null || { echo "SKIP: strace missing" >&2; exit 77; }
e2e_init "$1"

# Starts the program in FOLDER through a wrapper (unshare -n, strace …) that
# ends in exec, so that $! is the program itself.
start_wrapped() {
  local dir=$1
  shift
  local log=$E2E_WORK/plandor-$((${#E2E_PIDS[@]} + 1)).log
  (cd "$dir" && exec "$@" env LD_PRELOAD="$E2E_FAKETIME_LIB" FAKETIME="@2006-01-01 09:00:00" "$dir/plandor") >"$log" 2>&1 &
  E2E_PID=$!
  E2E_PIDS+=("$E2E_PID")
  e2e_log "started plandor pid $E2E_PID in $dir through: $*"
}

# Clicks the box's OK button, at its lower right.
click_ok() {
  local g x y w h
  g=$(xdotool getwindowgeometry "$1")
  read -r x y < <(sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p' <<<"$g")
  read -r w h < <(sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p' <<<"$g")
  e2e_click $((x + w - 50)) $((y + h - 24))
}
_main_window() {
  local w
  for w in $(e2e_windows "$1"); do
    [[ $(xdotool getwindowgeometry "$w" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p') -ge 800 ]] && return 0
  done
  return 1
}

a=$E2E_WORK/a
e2e_new_folder "$a"
e2e_start "$a"
pid_a=$E2E_PID
e2e_wait_window "$pid_a"
e2e_click_save
e2e_wait_file "$a/Y200601/Y2006011.sdf" 10728
stamps=$(e2e_stamp "$a/Routines.rdf"; e2e_stamp "$a/LEntries.lef"; e2e_stamp "$a/Y200601/Y2006011.sdf")

# The sandboxed second copy: a box, never a main window of its own.
start_wrapped "$a" unshare -n
pid_b=$E2E_PID
e2e_wait_until 15 e2e_box_shown "$pid_b" || e2e_fail "no box from the copy in another network namespace"
_main_window "$pid_b" && e2e_fail "the copy in another network namespace opened a main window"
e2e_screenshot sandboxed-copy
click_ok "$(e2e_box_of "$pid_b")"
e2e_wait_exit "$pid_b" 5
[[ $E2E_RC -eq 1 ]] || e2e_fail "the sandboxed copy ended with status $E2E_RC, expected 1"
e2e_alive "$pid_a" || e2e_fail "the first copy ended"
now=$(e2e_stamp "$a/Routines.rdf"; e2e_stamp "$a/LEntries.lef"; e2e_stamp "$a/Y200601/Y2006011.sdf")
[[ $now == "$stamps" ]] || e2e_fail "the sandboxed copy wrote into the running copy's folder"
e2e_click_exit
e2e_wait_exit "$pid_a"

# A lock the system refuses (ENOLCK: a network share without locks): the
# copy runs and says once that a second copy cannot be detected; a second
# start on the folder is still brought forward through the socket and ends.
c=$E2E_WORK/c
e2e_new_folder "$c"
# LeakSanitizer cannot run under ptrace; the sanitizer build runs this too.
export ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0
start_wrapped "$c" strace -D -f -qq -o "$E2E_WORK/strace.log" -e trace=flock -e inject=flock:error=ENOLCK
pid_c=$E2E_PID
e2e_wait_until 15 e2e_box_shown "$pid_c" || e2e_fail "no notice when the folder cannot be locked"
e2e_wait_until 5 _main_window "$pid_c" || e2e_fail "a copy that could not lock its folder did not run"
e2e_screenshot no-lock
click_ok "$(e2e_box_of "$pid_c")"
_box_gone() { ! e2e_box_shown "$pid_c"; }
e2e_wait_until 5 _box_gone || e2e_fail "the notice did not close"
[[ -f $c/Routines.rdf && -d $c/Y200601 ]] || e2e_fail "the copy without a lock did not prepare its folder"
start_wrapped "$c" strace -D -f -qq -o "$E2E_WORK/strace-2.log" -e trace=flock -e inject=flock:error=ENOLCK
pid_d=$E2E_PID
e2e_wait_exit "$pid_d" 10
[[ $E2E_RC -eq 0 ]] || e2e_fail "a second copy without a lock ended with status $E2E_RC, expected 0"
e2e_alive "$pid_c" || e2e_fail "the first copy without a lock ended"
[[ $(e2e_window_count) -eq 1 ]] || e2e_fail "$(e2e_window_count) windows after a second start without a lock"
e2e_click_exit
e2e_wait_exit "$pid_c"
e2e_pass
