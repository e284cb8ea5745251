#!/bin/bash
# Start-up time and memory of plandor against two yardsticks: a bare Qt
# Widgets window, and the text floor (the same window with the planner's
# menus and start-up texts in its font: what any program showing these
# texts pays).
# Usage: bench/startup.sh [BUILD_DIR] [RUNS]
# Needs the targets plandor, plandor_sound, bare_window, text_floor and
# startwait built in BUILD_DIR, Xvfb and python3.
#
# plandor starts four ways, each in a fresh copy of a program folder that
# has been started once (routine and list files exist): without today's
# file (the day's first start), with today's file holding 3 pads, the same
# without the sound module, and with 24 pads. Runs are interleaved, one of
# each program per round in a rotating order, after one untimed warm-up
# each; figures are medians.
set -euo pipefail

build=${1:-/work/main/build}
runs=${2:-15}
here=$(cd "$(dirname "$0")" && pwd)
plandor=$build/bin/plandor
bare=$build/bench/bare_window
floor=$build/bench/text_floor
startwait=$build/bench/startwait
for f in "$plandor" "$build/bin/plandor-sound.so" "$bare" "$floor" "$startwait"; do
  [[ -e $f ]] || { echo "missing $f (build plandor, plandor_sound, bare_window, text_floor and startwait)" >&2; exit 2; }
done
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "RUNS must be a positive number" >&2; exit 2; }

work=$(mktemp -d)
xvfb=
cleanup() {
  [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# -br: a black root shows through windows not yet painted, which is what
# startwait looks for. -displayfd lets the server pick a free display.
# -noreset: without it the server resets whenever its last client leaves,
# between any two runs, and refuses the next connection meanwhile.
mkdir -m 700 "$work/runtime" "$work/tmp"
Xvfb -displayfd 3 -screen 0 1024x768x24 -br -noreset -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
  [[ -s $work/display ]] && break
  kill -0 "$xvfb" 2>/dev/null || { cat "$work/xvfb.log" >&2; exit 1; }
  sleep 0.1
done
[[ -s $work/display ]] || { echo "Xvfb did not start" >&2; exit 1; }

export DISPLAY=:$(head -n1 "$work/display")
export XDG_RUNTIME_DIR=$work/runtime  # no audio server: sounds play nowhere
export TMPDIR=$work/tmp               # anything a killed run leaves lands here
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

# Only what ships: day files left in the build folder by a manual run
# would change what is measured.
mkdir "$work/ship"
cp "$build/bin/plandor" "$build/bin/plandor-sound.so" "$build/bin/Shutter.wav" "$build/bin/PLANDOR.HLP" "$work/ship/"
python3 "$here/make_day.py" 3 "$work/day3.sdf"
python3 "$here/make_day.py" 24 "$work/day24.sdf"

# run_plandor PADS: "none" for no day file, else 3 or 24; "3q" is 3 pads
# in a folder without the sound module, which the start-up sound would load
# half a second before the memory is read: the planner's own memory.
run_plandor() {
  local dir month
  dir=$(mktemp -d "$work/plandor.XXXXXX")
  cp -a "$work/ship/." "$dir/"
  if [[ $1 == 3q ]]; then
    rm "$dir/plandor-sound.so"
    set -- 3
  fi
  if [[ $1 != none ]]; then
    month=Y$(date +%Y%m)
    mkdir -p "$dir/$month"
    cp "$work/day$1.sdf" "$dir/$month/$month$(date +%-d).sdf"
  fi
  "$startwait" "$dir/plandor"
  rm -rf "$dir"
}

cases=(bare floor none 3 3q 24)
declare -A label=(
  [bare]="bare window"
  [floor]="text floor"
  [none]="plandor, no day file"
  [3]="plandor, 3 pads"
  [3q]="plandor, 3, no sound"
  [24]="plandor, 24 pads"
)
# The programs' own messages (no audio device, ...) go to a log, shown
# only when a run fails.
run_case() {
  case $1 in
    bare) "$startwait" "$bare" ;;
    floor) "$startwait" "$floor" ;;
    *) run_plandor "$1" ;;
  esac 2>>"$work/programs.log" || {
    tail -n 20 "$work/programs.log" >&2
    kill -0 "$xvfb" 2>/dev/null || { echo "Xvfb has ended:" >&2; cat "$work/xvfb.log" >&2; }
    exit 1
  }
}

# The shipped folder's first start writes the routine and list files; the
# untimed warm-ups also fill the page cache and refresh a font cache that
# another run may have left stale.
"$startwait" "$work/ship/plandor" >/dev/null 2>>"$work/programs.log"
for c in "${cases[@]}"; do
  run_case "$c" >/dev/null
  : >"$work/$c.txt"
done

n=${#cases[@]}
for ((r = 0; r < runs; ++r)); do
  for ((i = 0; i < n; ++i)); do
    c=${cases[(r + i) % n]}
    run_case "$c" >>"$work/$c.txt"
  done
done

# median FILE COLUMN
median() {
  sort -g -k"$2,$2" "$1" | awk -v c="$2" '{ v[NR] = $c }
    END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

declare -A map paint rss
for c in "${cases[@]}"; do
  map[$c]=$(median "$work/$c.txt" 1)
  paint[$c]=$(median "$work/$c.txt" 2)
  rss[$c]=$(median "$work/$c.txt" 3)
done

echo "medians of $runs interleaved runs; start = exec to first painted pixels"
printf '%-22s %9s %7s %9s   %s\n' "" "start ms" "(map)" "rss kB" "start, rss against the text floor"
for c in "${cases[@]}"; do
  awk -v l="${label[$c]}" -v p="${paint[$c]}" -v m="${map[$c]}" -v s="${rss[$c]}" \
    -v fp="${paint[floor]}" -v fs="${rss[floor]}" \
    'BEGIN { printf "%-22s %9.1f %7.1f %9.0f   %.2f  %.2f\n", l, p, m, s, p / fp, s / fs }'
done
printf 'text floor against bare window: start %.2f, rss %.2f\n' \
  "$(awk -v a="${paint[floor]}" -v b="${paint[bare]}" 'BEGIN { print a / b }')" \
  "$(awk -v a="${rss[floor]}" -v b="${rss[bare]}" 'BEGIN { print a / b }')"
for c in 3 3q 24; do
  awk -v l="${label[$c]}" -v p="${paint[$c]}" -v s="${rss[$c]}" -v fp="${paint[floor]}" -v fs="${rss[floor]}" 'BEGIN {
    sp = p / fp; sr = s / fs
    printf "goal, %s: start %.2f (<= 1.15: %s), rss %.2f (<= 1.10: %s)\n", l,
      sp, sp <= 1.15 ? "met" : "not met", sr, sr <= 1.10 ? "met" : "not met" }'
done
