#!/usr/bin/env bash
# Screenshots of a start, to compare two builds pixel for pixel:
#   bench/screens.sh BUILD_FOLDER OUT_FOLDER
#   compare -metric AE OLD/3.png NEW/3.png null:   # prints 0 when identical
# Cases: no day file (none), 3 pads (3), 24 pads (24), 3 pads with the
# pointer's click in the first pad's description box (focus), and 3 pads
# at QT_SCALE_FACTOR=2 (scale2), and 3 pads with the スケジュール menu open
# (menu, the whole screen: the menu is a window of its own). The clock is frozen, so the window shows
# the same time in every run; the pointer rests outside the window.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/tests/e2e/lib.sh"
out=$(mkdir -p "$2" && cd "$2" && pwd)
e2e_init "$1/bin"
# A screen large enough for the window at twice the size.
kill "$E2E_XVFB_PID" && wait "$E2E_XVFB_PID" 2>/dev/null || true
E2E_SCREEN_W=1800
E2E_SCREEN_H=1600
e2e_start_xvfb

when="2006-01-16 08:10:00"
for n in 3 24; do
  env LD_PRELOAD="$E2E_FAKETIME_LIB" FAKETIME="@2006-01-16 07:50:00" \
    $E2E_PYTHON "$here/bench/make_day.py" "$n" "$E2E_WORK/day$n.sdf"
done

shot() {  # CASE PADS [ENV...]
  local name=$1 pads=$2 prog=$E2E_WORK/prog-$1 pid win
  shift 2
  e2e_new_folder "$prog"
  if [[ $pads != none ]]; then
    mkdir -p "$prog/Y200601"
    cp "$E2E_WORK/day$pads.sdf" "$prog/Y200601/Y20060116.sdf"
  fi
  xdotool mousemove 1790 1590
  (cd "$prog" && exec env "$@" LD_PRELOAD="$E2E_FAKETIME_LIB" FAKETIME="$when" FAKETIME_DONT_FAKE_MONOTONIC=1 \
    "$prog/plandor") >"$E2E_WORK/$name.log" 2>&1 &
  pid=$!
  E2E_PIDS+=("$pid")
  e2e_wait_until 15 _e2e_has_window "$pid" || e2e_fail "no window for $name"
  sleep 1.5
  win=$(e2e_windows "$pid" | head -n1)
  if [[ $name == focus ]]; then
    # The first pad's description box (left pane, the pad at 08:00).
    xdotool mousemove --window "$win" 230 72 click 1
    xdotool mousemove 1790 1590
  elif [[ $name == menu ]]; then
    xdotool mousemove --window "$win" 95 10 click 1
    xdotool mousemove 1790 1590
  fi
  sleep 1.5
  if [[ $name == menu ]]; then
    import -window root "$out/$name.png"
  else
    import -window "$win" "$out/$name.png"
  fi
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}

shot none none
shot 3 3
shot 24 24
shot focus 3
shot scale2 3 QT_SCALE_FACTOR=2
shot menu 3
ls "$out"
e2e_pass
