#!/usr/bin/env bash
# The sound module: a start maps no audio libraries; the first sound (here
# the first 保存) loads the module beside the program; a broken or missing
# module costs the sound only, never the start or a save.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_init "$1"

prog=$E2E_WORK/prog
e2e_new_folder "$prog"
day=$prog/Y200601/Y2006011.sdf
mapped() { grep -c "$2" "/proc/$1/maps" || true; }

e2e_start "$prog" "2006-01-01 09:00:00"
pid=$E2E_PID
e2e_wait_window "$pid"
[[ $(mapped "$pid" libpulse) -eq 0 ]] || e2e_fail "the sound server's client library is mapped before any sound"
e2e_click_save
e2e_wait_file "$day" 10728
_loaded() { [[ $(mapped "$pid" plandor-sound.so) -gt 0 ]]; }
e2e_wait_until 5 _loaded || e2e_fail "the first sound did not load the sound module"
e2e_click_exit
e2e_wait_exit "$pid"

for broken in garbage missing; do
  if [[ $broken == garbage ]]; then echo "not a module" >"$prog/plandor-sound.so"; else rm -f "$prog/plandor-sound.so"; fi
  e2e_age "$day"
  stamp=$(e2e_stamp "$day")
  e2e_start "$prog" "2006-01-01 09:00:00"   # today's file is there: the start plays the sound
  pid=$E2E_PID
  e2e_wait_window "$pid"
  e2e_wait_idle "$pid"  # the start's sound asked for
  e2e_alive "$pid" || e2e_fail "a $broken sound module stopped the start"
  e2e_click_save
  e2e_wait_rewritten "$day" "$stamp"
  e2e_click_exit
  e2e_wait_exit "$pid"
  [[ $E2E_RC -eq 0 ]] || e2e_fail "exit status $E2E_RC with a $broken sound module"
done
e2e_pass
