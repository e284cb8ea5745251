#!/usr/bin/env bash
# An installed copy: the install leaves its marker beside the program, so
# the data go to the user's data folder (created on the first start) even
# though the prefix takes writes, as after `cmake --install --prefix ~/.local`
# or for root; the sound module, the sound and the help are still found
# beside the real program, reached through the bin/plandor link.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_init "$1"
build=${2:?usage: $0 PROGRAM_FOLDER BUILD_FOLDER}

prefix=$E2E_WORK/prefix
cmake --install "$build" --prefix "$prefix" >"$E2E_WORK/install.log" || e2e_fail "cmake --install failed"
[[ -f $prefix/lib/plandor/plandor-installed ]] || e2e_fail "the install wrote no marker beside the program"
[[ -w $prefix/lib/plandor ]] || e2e_fail "the prefix should take writes here"
home=$E2E_WORK/home
mkdir "$home"
unset XDG_DATA_HOME

own_files() { find "$prefix" -newer "$E2E_WORK/install.log" -print; }
touch "$E2E_WORK/install.log"
# Until the file clock has moved on, a file made now would not count as newer.
_clock_moved() { touch "$E2E_WORK/now" && [[ $E2E_WORK/now -nt $E2E_WORK/install.log ]]; }
e2e_wait_until 1 _clock_moved || e2e_fail "the file clock stands still"
(cd "$home" && exec env HOME="$home" LD_PRELOAD="$E2E_FAKETIME_LIB" FAKETIME="@2006-01-01 09:00:00" \
  "$prefix/bin/plandor") >"$E2E_WORK/plandor-1.log" 2>&1 &
pid=$!
E2E_PIDS+=("$pid")
e2e_wait_window "$pid"

data=$home/.local/share/plandor
[[ -d $data/Y200601 && -f $data/Routines.rdf && -f $data/LEntries.lef ]] ||
  e2e_fail "user data folder not prepared: $(find "$home" | tr '\n' ' ')"
[[ $(stat -c %a "$data") == 700 ]] || e2e_fail "data folder mode $(stat -c %a "$data"), expected 700"
day=$data/Y200601/Y2006011.sdf
e2e_click_save
e2e_wait_file "$day" 10728
$E2E_CHECK empty-day "$day" "$day" 2006-01-01 || e2e_fail "wrong day file in the user data folder"
# The sound came from the program folder: its module is loaded and no box
# says Shutter.wav is missing.
_sound_loaded() { grep -q "$prefix/lib/plandor/plandor-sound.so" "/proc/$pid/maps"; }
e2e_wait_until 5 _sound_loaded || e2e_fail "the sound module beside the program was not loaded"
[[ -z $(xdotool search --onlyvisible --name 'ファイルが存在しません' 2>/dev/null || true) ]] ||
  e2e_fail "a box reports a missing file"
e2e_click_exit
e2e_wait_exit "$pid"
[[ $E2E_RC -eq 0 ]] || e2e_fail "exit status $E2E_RC"
[[ -z $(own_files) ]] || e2e_fail "the prefix was written: $(own_files)"

e2e_pass
