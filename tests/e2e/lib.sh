# shellcheck shell=bash
# Shared helpers for the end-to-end tests: a private X server, fresh copies
# of the program folder, the program started under a fixed date, real
# pointer clicks and byte checks. Source it after `set -euo pipefail`:
#
#   source "$(dirname "$0")/lib.sh"
#   e2e_init "$1"        # the built program folder
#
# Everything a test makes lives under $E2E_WORK and is removed at exit; after
# a failure the folder is kept (without the program binaries) and its path,
# with a screenshot, is printed.

E2E_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# The system interpreter starts fastest; the checks poll it often.
if [[ -x /usr/bin/python3 ]]; then E2E_PYTHON=/usr/bin/python3; else E2E_PYTHON=python3; fi
E2E_CHECK="$E2E_PYTHON $E2E_LIB_DIR/e2e_check.py"
E2E_SCREEN_W=1024
E2E_SCREEN_H=768
E2E_STATUS_H=19
E2E_DESIGN_PANEL_H=527

E2E_WORK=""
E2E_XVFB_PID=""
E2E_PIDS=()          # program copies started by this test
E2E_REAPED=" "       # those whose end the test has already taken
E2E_FAILED=1         # cleared by e2e_pass
E2E_SHOT_NO=0
H_MENU=""            # menu bar height, measured on the first painted window

e2e_log() { printf '[%s] %s\n' "$(date +%T.%3N)" "$*" >&2; }

e2e_init() {
  local built=${1:?usage: $0 PROGRAM_FOLDER}
  E2E_BUILT=$(cd "$built" && pwd)
  local f
  for f in plandor plandor-sound.so Shutter.wav PLANDOR.HLP; do
    [[ -f $E2E_BUILT/$f ]] || { echo "missing $E2E_BUILT/$f" >&2; exit 1; }
  done
  E2E_FAKETIME_LIB=""
  for f in /usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1 /usr/lib/*/faketime/libfaketime.so.1 \
           /usr/lib/faketime/libfaketime.so.1 /usr/local/lib/faketime/libfaketime.so.1; do
    if [[ -f $f ]]; then E2E_FAKETIME_LIB=$f; break; fi
  done
  # Without the display tools the tests cannot run here: report a skip (77).
  [[ -n $E2E_FAKETIME_LIB ]] || { echo "SKIP: libfaketime not found (install faketime)" >&2; exit 77; }
  local tool
  for tool in Xvfb xdotool import iconv "$E2E_PYTHON"; do
    command -v "$tool" >/dev/null || { echo "SKIP: missing tool: $tool" >&2; exit 77; }
  done

  # realpath: the program records its folder as the kernel reports it.
  E2E_WORK=$(realpath "$(mktemp -d "${TMPDIR:-/tmp}/plandor-e2e.XXXXXX")")
  trap e2e_cleanup EXIT
  mkdir -m 0700 "$E2E_WORK/xdg" "$E2E_WORK/tmp"
  export XDG_RUNTIME_DIR=$E2E_WORK/xdg
  # Whatever the toolkit puts in the temporary folder stays with this run.
  export TMPDIR=$E2E_WORK/tmp
  export TZ=UTC LC_ALL=C.UTF-8
  unset WAYLAND_DISPLAY SESSION_MANAGER
  # No desktop's session bus is reached and none is started on demand: a
  # test that wants one starts its own.
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$E2E_WORK/no-session-bus
  export QT_QPA_PLATFORM=xcb
  e2e_start_xvfb
}

# A private session bus with a real notification daemon (dunst) on it, both
# children of this test; DUNSTRC names its configuration (empty: dunst's
# defaults, whatever the machine's).
e2e_private_notifications() {
  local tool
  for tool in dbus-daemon dunst dunstctl; do
    command -v "$tool" >/dev/null || e2e_skip "missing tool: $tool (install dbus, dunst)"
  done
  : >"$E2E_WORK/bus"
  dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$E2E_WORK/bus" >"$E2E_WORK/bus.log" 2>&1 &
  E2E_PIDS+=("$!")
  e2e_wait_until 5 test -s "$E2E_WORK/bus" || e2e_fail "the private session bus did not start"
  DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$E2E_WORK/bus")
  export DBUS_SESSION_BUS_ADDRESS
  [[ -f $E2E_WORK/dunstrc ]] || : >"$E2E_WORK/dunstrc"
  dunst -config "$E2E_WORK/dunstrc" >"$E2E_WORK/dunst.log" 2>&1 &
  E2E_PIDS+=("$!")
  e2e_wait_until 5 _e2e_dunst_up || e2e_fail "dunst did not come up on the private bus"
}
_e2e_dunst_up() { dunstctl count displayed >/dev/null 2>&1; }

e2e_start_xvfb() {
  # -displayfd lets the server pick a free display number itself, so
  # parallel runs and other servers on this machine never collide.
  local fdfile=$E2E_WORK/display
  : >"$fdfile"
  Xvfb -displayfd 3 -screen 0 "${E2E_SCREEN_W}x${E2E_SCREEN_H}x24" -nolisten tcp -noreset \
    3>"$fdfile" >"$E2E_WORK/xvfb.log" 2>&1 &
  E2E_XVFB_PID=$!
  local i
  for ((i = 0; i < 100; i++)); do
    if [[ -s $fdfile ]] && grep -q '^[0-9]' "$fdfile"; then break; fi
    e2e_alive "$E2E_XVFB_PID" || { cat "$E2E_WORK/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.05
  done
  local number
  number=$(head -n1 "$fdfile" | tr -dc 0-9)
  [[ -n $number ]] || { echo "Xvfb did not report its display" >&2; exit 1; }
  export DISPLAY=":$number"
  e2e_log "Xvfb on $DISPLAY"
}

# True while PID is a live (not yet ended) child of this shell. Process ids
# come round again quickly here (pid_max 32768): an id alone may by now
# belong to someone else's process, so never signal or wait on it blindly.
e2e_alive() {
  local pid=$1 stat
  stat=$(cat "/proc/$pid/stat" 2>/dev/null) || return 1
  local -a f
  read -r -a f <<<"${stat##*) }"
  [[ ${f[0]} != Z && ${f[1]} == "$$" ]]
}

e2e_cleanup() {
  local rc=$?
  local pid i
  local -a live=()
  for pid in "${E2E_PIDS[@]}"; do
    if e2e_alive "$pid"; then
      live+=("$pid")
      kill "$pid" 2>/dev/null || true
    fi
  done
  for pid in "${live[@]}"; do
    for ((i = 0; i < 20; i++)); do e2e_alive "$pid" || break; sleep 0.05; done
    if e2e_alive "$pid"; then kill -9 "$pid" 2>/dev/null || true; fi
  done
  if [[ -n $E2E_XVFB_PID ]] && e2e_alive "$E2E_XVFB_PID"; then
    kill "$E2E_XVFB_PID" 2>/dev/null || true
    wait "$E2E_XVFB_PID" 2>/dev/null || true
  fi
  if [[ -n $E2E_WORK && -d $E2E_WORK ]]; then
    if [[ $rc -eq 77 || ($rc -eq 0 && $E2E_FAILED -eq 0) ]]; then
      rm -rf "$E2E_WORK"
    else
      find "$E2E_WORK" -name plandor -type f -delete 2>/dev/null || true
      echo "test files kept in $E2E_WORK" >&2
    fi
  fi
  exit "$rc"
}

# Marks the test as passed; the trap then removes its files.
e2e_pass() {
  E2E_FAILED=0
  e2e_log "PASS $(basename "$0")"
}

# Saves a screenshot under the test folder and prints its path.
e2e_screenshot() {
  local name=${1:-shot}
  E2E_SHOT_NO=$((E2E_SHOT_NO + 1))
  local png
  png=$E2E_WORK/$(printf '%02d' "$E2E_SHOT_NO")-$name.png
  if import -window root "$png" 2>/dev/null; then
    echo "screenshot: $png" >&2
  fi
}

# Ends the test as skipped (ctest's SKIP_RETURN_CODE) when it cannot judge.
e2e_skip() {
  echo "SKIP: $*" >&2
  exit 77
}

e2e_fail() {
  echo "FAIL: $*" >&2
  # Which copies still run, and how the others ended (128 + n: signal n).
  local pid rc
  for pid in "${E2E_PIDS[@]}"; do
    if e2e_alive "$pid"; then
      echo "  pid $pid running" >&2
    elif [[ $E2E_REAPED != *" $pid "* ]]; then
      rc=0
      wait "$pid" 2>/dev/null || rc=$?
      echo "  pid $pid ended with status $rc" >&2
    fi
  done
  local log
  for log in "$E2E_WORK"/plandor-*.log; do
    [[ -f $log ]] || continue
    if grep -v -e '^PulseAudioService: ' -e '^No audio device' "$log" >/dev/null; then
      echo "  $(basename "$log"):" >&2
      sed 's/^/    /' "$log" >&2
    fi
  done
  [[ -n ${DISPLAY:-} ]] && e2e_screenshot failure
  exit 1
}

# A raw RGB dump of the screen for pixel checks; prints its path.
e2e_grab() {
  local raw=$E2E_WORK/screen.rgb
  import -window root -depth 8 "rgb:$raw" 2>/dev/null
  echo "$raw"
}

# A fresh program folder holding only what the build puts there.
# Usage: e2e_new_folder PATH
e2e_new_folder() {
  local dir=$1
  mkdir -p "$dir"
  cp "$E2E_BUILT/plandor" "$E2E_BUILT/plandor-sound.so" "$E2E_BUILT/Shutter.wav" "$E2E_BUILT/PLANDOR.HLP" "$dir/"
}

# Starts the program in FOLDER with the clock set to DATE (it keeps running
# from there). libfaketime is preloaded directly rather than through the
# faketime wrapper, so that $! is the program itself.
# Sets E2E_PID. Usage: e2e_start FOLDER ["YYYY-MM-DD hh:mm:ss" [WORKING_FOLDER]]
# The working folder defaults to FOLDER itself.
e2e_start() {
  local dir=$1 when=${2:-2006-01-01 09:00:00} cwd=${3:-$1}
  local log
  log=$E2E_WORK/plandor-$(( ${#E2E_PIDS[@]} + 1 )).log
  (cd "$cwd" && exec env LD_PRELOAD="$E2E_FAKETIME_LIB" FAKETIME="@$when" "$dir/plandor") >"$log" 2>&1 &
  E2E_PID=$!
  E2E_PIDS+=("$E2E_PID")
  e2e_log "started plandor pid $E2E_PID in $dir at $when"
}

# Polls COMMAND every 50 ms until it succeeds or SECONDS pass.
# Usage: e2e_wait_until SECONDS COMMAND...
e2e_wait_until() {
  local limit=$1
  shift
  local end_ns
  end_ns=$(($(date +%s%N) + limit * 1000000000))
  while :; do
    if "$@"; then return 0; fi
    (($(date +%s%N) < end_ns)) || return 1
    sleep 0.05
  done
}

# Visible main windows (titled by the open day) of one process, or of all
# when PID is empty.
e2e_windows() {
  local pid=${1:-}
  if [[ -n $pid ]]; then
    # --all: without it xdotool matches either condition.
    xdotool search --all --onlyvisible --pid "$pid" --name '^プランドール - ' 2>/dev/null || true
  else
    xdotool search --onlyvisible --name '^プランドール - ' 2>/dev/null || true
  fi
}

# Visible main windows on the display, of any copy.
e2e_window_count() { e2e_windows "" | grep -c . || true; }

_e2e_has_window() { [[ -n $(e2e_windows "$1") ]]; }

_e2e_painted() {
  local h
  h=$($E2E_CHECK measure "$(e2e_grab)") || return 1
  H_MENU=$h
}

# Waits until the program PID shows its painted main window, then measures
# the menu bar height (H_MENU) and the panel height (PANEL_H).
e2e_wait_window() {
  local pid=$1
  e2e_wait_until 15 _e2e_has_window "$pid" || e2e_fail "no window of pid $pid within 15 s"
  e2e_wait_until 10 _e2e_painted || e2e_fail "window of pid $pid not painted as laid out"
  PANEL_H=$((E2E_SCREEN_H - H_MENU - E2E_STATUS_H))
  E2E_SHIFT=$((PANEL_H - E2E_DESIGN_PANEL_H))
}

# A real pointer click at screen coordinates. No --sync: it waits for a
# motion event and so stalls when the pointer already stands there. The
# pause before the press is a hand's: a press that follows the move within
# a few tens of milliseconds, just after a covering window went away, is
# sometimes lost by the toolkit (the program is idle and sees the events).
e2e_click() {
  xdotool mousemove "$1" "$2" sleep 0.1 mousedown 1 sleep 0.03 mouseup 1
}

# A click at panel-relative coordinates (the panel starts below the menu bar).
e2e_click_panel() { e2e_click "$1" $((H_MENU + $2)); }

# The timeline: screen y of row ROW with the view scrolled to SCROLL (the
# view starts 12 rows below the panel top, the strip 4 rows into it).
E2E_LEFT_X=312   # inside the left drag area (x 309..320)
E2E_RIGHT_X=348  # inside the right drag area (x 342..354)
e2e_row_y() { echo $((H_MENU + 12 + 4 - $2 + $1)); }  # ROW SCROLL

# Four wheel steps up over the timeline: from the start's row 240 to 160,
# which brings 08:00 well inside the view.
E2E_SCROLLED=160
e2e_scroll_up_four() {
  xdotool mousemove 500 $((H_MENU + 300))
  for _ in 1 2 3 4; do xdotool click 4; done
}

# A left drag in a drag area, one motion event every 6 rows.
e2e_drag() {  # X FROM_ROW TO_ROW SCROLL
  local x=$1 y0 y1 y
  y0=$(e2e_row_y "$2" "$4")
  y1=$(e2e_row_y "$3" "$4")
  xdotool mousemove "$x" "$y0" mousedown 1
  for ((y = y0 + 6; y < y1; y += 6)); do xdotool mousemove "$x" "$y"; done
  xdotool mousemove "$x" "$y1" sleep 0.05 mouseup 1
}

# Screen y of the top of a pad whose period starts at START_ROW: its top is
# the start row + 1 in the pad container, whose row 0 is 2 rows above the strip's.
e2e_pad_top() { e2e_row_y $(($1 + 1 - 2)) "$2"; }  # START_ROW SCROLL

# The bottom buttons follow the panel's bottom edge.
e2e_click_save() { e2e_click_panel $((685 + 50)) $((431 + E2E_SHIFT + 25)); }
e2e_click_exit() { e2e_click_panel $((685 + 50)) $((491 + E2E_SHIFT + 12)); }

# Cream pixels of the first-use hint in the right pad pane.
e2e_hint_pixels() {
  local y0=$((H_MENU + 10 + 2)) y1=$((H_MENU + 10 + 505 + E2E_SHIFT - 2))
  $E2E_CHECK count "$(e2e_grab)" 360 "$y0" 670 "$y1" 255 251 240
}

_e2e_gone() { ! e2e_alive "$1"; }

# A question or message box of PID (titled with the program's name alone),
# and whether one is shown.
e2e_box_of() { xdotool search --all --onlyvisible --pid "$1" --name '^プランドール$' 2>/dev/null | head -1; }
e2e_box_shown() { [[ -n $(e2e_box_of "$1") ]]; }

# Waits until window WID holds the keyboard: a window just mapped may not yet,
# and keys sent before then go elsewhere.
_e2e_has_keyboard() { [[ -n $1 && $(xdotool getwindowfocus -f 2>/dev/null) == "$1" ]]; }
e2e_wait_keyboard() {  # WID WHAT
  e2e_wait_until 5 _e2e_has_keyboard "$1" || e2e_fail "$2 did not take the keyboard"
}

# Answers the question before unsaved work is discarded with KEY
# (alt+s 保存, alt+n 保存しない, Escape キャンセル).
e2e_answer_unsaved() {  # PID KEY
  e2e_wait_until 5 e2e_box_shown "$1" || e2e_fail "no question before unsaved work was discarded"
  e2e_wait_keyboard "$(e2e_box_of "$1")" "the question before unsaved work was discarded"
  xdotool key "$2"
}

# Waits for PID to end; sets E2E_RC to its exit status.
# shellcheck disable=SC2034  # E2E_RC is read by the test scripts
e2e_wait_exit() {
  local pid=$1 limit=${2:-5}
  e2e_wait_until "$limit" _e2e_gone "$pid" || e2e_fail "pid $pid still running after $limit s"
  E2E_RC=0
  wait "$pid" 2>/dev/null || E2E_RC=$?
  E2E_REAPED+=" $pid "
}

# Waits until FILE exists with SIZE bytes (a file being written may show up
# shorter first).
_e2e_sized() { [[ -f $1 && $(stat -c %s "$1") -eq $2 ]]; }
e2e_wait_file() {
  local file=$1 size=$2
  e2e_wait_until 5 _e2e_sized "$file" "$size" && return 0
  if [[ -e $file ]]; then
    e2e_fail "$file has $(stat -c %s "$file") bytes, expected $size"
  else
    e2e_fail "$file did not appear within 5 s"
  fi
}

# mtime (ns), inode and size: any rewrite, in place or by rename, changes it.
# A missing file's stamp is "none".
e2e_stamp() { stat -c '%.9Y %i %s' "$1" 2>/dev/null || echo none; }

_e2e_stamp_differs() { [[ -e $1 && $(e2e_stamp "$1") != "$2" ]]; }
e2e_wait_rewritten() {
  e2e_wait_until "${3:-5}" _e2e_stamp_differs "$1" "$2" || e2e_fail "$1 was not written within ${3:-5} s"
}

# Prints the bytes of FILE from OFFSET, COUNT long, as hex.
e2e_hex() { od -An -v -t x1 -j "$2" -N "$3" "$1" | tr -s ' \n' ' ' | sed 's/^ //;s/ $//'; }

# An old modification time, so that a rewrite shows.
e2e_age() { touch -d '2001-02-03 04:05:06' "$@"; }

# Runs COMMAND, then waits until the open day's recovery file (written soon
# after each change of the day) is written anew: the program has taken the
# change, a pad made by a drag, 一時保存, a dialog's text.
# Usage: e2e_changes DATA_FOLDER YYYY-MM-DD COMMAND...
e2e_changes() {
  local file=$1/Recovery-$2.pdr before
  shift 2
  before=$(e2e_stamp "$file")
  "$@"
  e2e_wait_rewritten "$file" "$before"
}

# A window of PID titled exactly NAME: a dialog, or "plandor" for a popup
# menu (an untitled window carries the program's name).
# (Compared whole: a menu's name is only in _NET_WM_NAME, which --name misses.)
e2e_window_named() {
  local w
  for w in $(xdotool search --all --onlyvisible --pid "$1" '' 2>/dev/null); do
    if [[ $(xdotool getwindowname "$w" 2>/dev/null) == "$2" ]]; then
      echo "$w"
      return 0
    fi
  done
}
_e2e_named_shown() { [[ -n $(e2e_window_named "$1" "$2") ]]; }
_e2e_named_gone() { [[ -z $(e2e_window_named "$1" "$2") ]]; }
# Waits until PID shows the window NAME and it holds the keyboard.
e2e_wait_shown() {  # PID NAME
  e2e_wait_until 5 _e2e_named_shown "$1" "$2" || e2e_fail "no window \"$2\" within 5 s"
  e2e_wait_keyboard "$(e2e_window_named "$1" "$2")" "the window \"$2\""
}
e2e_wait_closed() {  # PID NAME
  e2e_wait_until 5 _e2e_named_gone "$1" "$2" || e2e_fail "the window \"$2\" stayed open"
}
# A popup menu of PID, open: the pointer and keys go to it now.
e2e_wait_menu() { e2e_wait_until 5 _e2e_named_shown "$1" plandor || e2e_fail "no menu opened within 5 s"; }

# CPU time (clock ticks) of PID's threads together, and whether one of them
# is running or waiting to run.
_e2e_cpu() {
  local f
  f=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  read -r -a f <<<"${f##*) }"
  echo $((f[11] + f[12]))
}
_e2e_runnable() { cat /proc/"$1"/task/*/stat 2>/dev/null | grep -q ') R '; }
# Waits until PID has settled: none of its threads runnable and no CPU time
# used for 0.3 s, so that what the last step set going (a sound's
# start, a reminder's check) has been done, or will not be. A check that
# something did NOT happen follows it. A process that ends has settled.
e2e_wait_idle() {  # PID [SECONDS]
  local pid=$1 limit=${2:-10} end_ns last now quiet=0
  end_ns=$(($(date +%s%N) + limit * 1000000000))
  last=$(_e2e_cpu "$pid") || return 0
  while ((quiet < 3)); do
    sleep 0.1
    now=$(_e2e_cpu "$pid") || return 0
    if [[ $now == "$last" ]] && ! _e2e_runnable "$pid"; then
      quiet=$((quiet + 1))
    else
      quiet=0
      last=$now
    fi
    (($(date +%s%N) < end_ns)) || e2e_fail "pid $pid still busy after $limit s"
  done
}
