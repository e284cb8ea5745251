#!/usr/bin/env bash
# Makes docs/screenshot.png: the program under Xvfb with a planned day
# (three pads around 08:00, written by bench/make_day.py).
#   tools/screenshot.sh [BUILD_FOLDER]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/tests/e2e/lib.sh"
e2e_init "${1:-$here/build}/bin"

prog=$E2E_WORK/prog
e2e_new_folder "$prog"
mkdir "$prog/Y200601"
# Created the same day, as a real save would have.
env LD_PRELOAD="$E2E_FAKETIME_LIB" FAKETIME="@2006-01-16 07:50:00" \
  $E2E_PYTHON "$here/bench/make_day.py" 3 "$prog/Y200601/Y20060116.sdf"
e2e_start "$prog" "2006-01-16 08:10:00"
pid=$E2E_PID
e2e_wait_window "$pid"
sleep 0.5
mkdir -p "$here/docs"
import -window "$(e2e_windows "$pid" | head -n1)" "$E2E_WORK/shot.png"
# Few colours and no metadata keep the file small.
/usr/bin/convert "$E2E_WORK/shot.png" -strip -colors 64 "PNG8:$here/docs/screenshot.png"
e2e_click_exit
e2e_wait_exit "$pid"
e2e_pass
