#!/bin/bash
# Start-up time and memory of plandor against a bare Qt Widgets window.
# Usage: bench/startup.sh [BUILD_DIR] [RUNS]
# Needs the targets plandor, bare_window and startwait built in BUILD_DIR,
# and Xvfb. Each plandor run gets a fresh copy of the program folder, so
# every start is a first start without a day file.
set -euo pipefail

build=${1:-/work/main/build}
runs=${2:-15}
plandor=$build/bin/plandor
bare=$build/bench/bare_window
startwait=$build/bench/startwait
for f in "$plandor" "$bare" "$startwait"; do
  [[ -x $f ]] || { echo "missing $f (build plandor, bare_window and startwait)" >&2; exit 2; }
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
mkdir -m 700 "$work/runtime" "$work/tmp"
Xvfb -displayfd 3 -screen 0 1024x768x24 -br -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
  [[ -s $work/display ]] && break
  kill -0 "$xvfb" 2>/dev/null || { cat "$work/xvfb.log" >&2; exit 1; }
  sleep 0.1
done
[[ -s $work/display ]] || { echo "Xvfb did not start" >&2; exit 1; }

export DISPLAY=:$(head -n1 "$work/display")
export XDG_RUNTIME_DIR=$work/runtime
export TMPDIR=$work/tmp  # whatever the toolkit leaves there stays with this run
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

run_plandor() {
  local dir
  dir=$(mktemp -d "$work/plandor.XXXXXX")
  # Only what ships: day files left in the build folder by a manual run
  # would make this a later start.
  cp "$build/bin/plandor" "$build/bin/plandor-sound.so" "$build/bin/Shutter.wav" "$build/bin/PLANDOR.HLP" "$dir/"
  "$startwait" "$dir/plandor"
  rm -rf "$dir"
}
run_bare() { "$startwait" "$bare"; }

# Untimed warm-up: page cache, and a font cache another run may have left stale.
run_plandor >/dev/null
run_bare >/dev/null

: >"$work/plandor.txt"
: >"$work/bare.txt"
for _ in $(seq "$runs"); do
  run_plandor >>"$work/plandor.txt"
  run_bare >>"$work/bare.txt"
done

# median FILE COLUMN
median() {
  sort -g -k"$2,$2" "$1" | awk -v c="$2" '{ v[NR] = $c }
    END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

read -r p_map p_paint p_rss <<<"$(median "$work/plandor.txt" 1) $(median "$work/plandor.txt" 2) $(median "$work/plandor.txt" 3)"
read -r b_map b_paint b_rss <<<"$(median "$work/bare.txt" 1) $(median "$work/bare.txt" 2) $(median "$work/bare.txt" 3)"

printf 'plandor: start %.1f ms (map %.1f), rss %.0f kB\n' "$p_paint" "$p_map" "$p_rss"
printf 'bare:    start %.1f ms (map %.1f), rss %.0f kB\n' "$b_paint" "$b_map" "$b_rss"
awk -v pp="$p_paint" -v bp="$b_paint" -v pr="$p_rss" -v br="$b_rss" 'BEGIN {
  printf "start ratio %.2f (goal <= 1.3), memory ratio %.2f (goal <= 1.5)\n", pp / bp, pr / br }'
