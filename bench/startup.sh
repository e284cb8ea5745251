#!/bin/bash
# Start-up time and memory of plandor against two yardsticks: a bare Qt
# Widgets window, and the text floor (the same window with the planner's
# menus and start-up texts in its font: what any program showing these
# texts pays).
# Usage: bench/startup.sh [BUILD_DIR] [RUNS]
# Needs the targets plandor, plandor_sound, bare_window, text_floor and
# startwait built in BUILD_DIR (configured with -DPLANDOR_BENCH=ON), Xvfb,
# valgrind and python3.
#
# plandor starts four ways, each in a fresh copy of a program folder that
# has been started once (routine and list files exist): without today's
# file (the day's first start), with today's file holding 3 pads, the same
# without the sound module, and with 24 pads. Runs are interleaved, one of
# each program per round in a rotating order, after one untimed warm-up
# each; figures are medians. A private PulseAudio server with a null sink
# (when pulseaudio is installed) lets the start-up sound really play.
#
# Instructions: one run of each case under callgrind, counted from exec to
# a settled window (no CPU time used for 2 s, the clock's tick aside), then
# against the text floor. Deterministic where the times are not; the goals
# of the start are set in these. With CALLGRIND_KEEP=DIR the counts are
# left there (callgrind.CASE) for callgrind_annotate.
set -euo pipefail

build=$(cd "${1:-/work/main/build}" && pwd)
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
command -v valgrind >/dev/null || { echo "missing valgrind (instruction counts)" >&2; exit 2; }

work=$(mktemp -d)
xvfb=
pulse=
cleanup() {
  [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  [[ -n $pulse ]] && kill "$pulse" 2>/dev/null && wait "$pulse" 2>/dev/null
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
export XDG_RUNTIME_DIR=$work/runtime
export TMPDIR=$work/tmp               # anything a killed run leaves lands here
# A font cache of this run's own, written first and filled by the warm-ups:
# runs under a faked clock elsewhere on the machine leave the shared one
# looking stale, and a start that rescans a font folder counts 65 M
# instructions more.
mkdir "$work/fontcache"
cat >"$work/fonts.conf" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <cachedir>$work/fontcache</cachedir>
  <include ignore_missing="no">/etc/fonts/fonts.conf</include>
</fontconfig>
EOF
export FONTCONFIG_FILE=$work/fonts.conf
sound="no sound server: the start-up sound plays nowhere"
if command -v pulseaudio >/dev/null; then
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=stderr -L module-null-sink \
    -L module-native-protocol-unix 2>"$work/pulse.log" &
  pulse=$!
  for _ in $(seq 100); do
    [[ -S $XDG_RUNTIME_DIR/pulse/native ]] && break
    sleep 0.1
  done
  [[ -S $XDG_RUNTIME_DIR/pulse/native ]] && sound="the start-up sound plays into a null sink"
fi
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

# Only what ships: day files left in the build folder by a manual run
# would change what is measured.
mkdir "$work/ship"
cp "$build/bin/plandor" "$build/bin/plandor-sound.so" "$build/bin/Shutter.wav" "$build/bin/PLANDOR.HLP" "$work/ship/"
python3 "$here/make_day.py" 3 "$work/day3.sdf"
python3 "$here/make_day.py" 24 "$work/day24.sdf"

# plandor_folder PADS: a fresh program folder for a case; "none" for no
# day file, else 3 or 24; "3q" is 3 pads in a folder without the sound
# module, which the start-up sound would load half a second before the
# memory is read: the planner's own memory.
plandor_folder() {
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
  echo "$dir"
}

run_plandor() {
  local dir
  dir=$(plandor_folder "$1")
  "$startwait" "$dir/plandor"
  rm -rf "$dir"
}

# CPU ticks (1/100 s) a process has used.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null; }

# Returns once the process has used at most 5 ticks in 2 s (a settled
# window: the clock's tick each second is all it does), or has ended.
settle() {
  local pid=$1 now
  local -a seen=()
  while now=$(cpu_ticks "$pid") && [[ -n $now ]]; do
    seen+=("$now")
    if ((${#seen[@]} > 20)) && ((now - seen[${#seen[@]} - 21] <= 5)); then return 0; fi
    sleep 0.1
  done
  return 1
}

# instructions CASE: instructions from exec to a settled window, in M.
instructions() {
  local dir="" prog out pid
  case $1 in
    bare) prog=$bare ;;
    floor) prog=$floor ;;
    *) dir=$(plandor_folder "$1") && prog=$dir/plandor ;;
  esac
  out=$work/callgrind.$1
  (cd "$(dirname "$prog")" && exec valgrind --tool=callgrind --callgrind-out-file="$out" "$prog") \
    >/dev/null 2>>"$work/programs.log" &
  pid=$!
  settle "$pid" || { echo "$1 ended under callgrind" >&2; tail -n 20 "$work/programs.log" >&2; exit 1; }
  kill -TERM "$pid"
  wait "$pid" 2>/dev/null || true
  [[ -n $dir ]] && rm -rf "$dir"
  [[ -n ${CALLGRIND_KEEP:-} ]] && cp "$out" "$CALLGRIND_KEEP/"
  awk '/^(summary|totals):/ { printf "%.1f\n", $2 / 1e6; exit }' "$out"
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

declare -A instr
for c in "${cases[@]}"; do instr[$c]=$(instructions "$c"); done

echo "medians of $runs interleaved runs; start = exec to first painted pixels; $sound"
echo "instructions: one callgrind run each, exec to a settled window"
printf '%-22s %9s %7s %9s %8s   %s\n' "" "start ms" "(map)" "rss kB" "instr M" "start, rss, instr against the text floor"
for c in "${cases[@]}"; do
  awk -v l="${label[$c]}" -v p="${paint[$c]}" -v m="${map[$c]}" -v s="${rss[$c]}" -v i="${instr[$c]}" \
    -v fp="${paint[floor]}" -v fs="${rss[floor]}" -v fi="${instr[floor]}" \
    'BEGIN { printf "%-22s %9.1f %7.1f %9.0f %8.1f   %.2f  %.2f  %.2f\n", l, p, m, s, i, p / fp, s / fs, i / fi }'
done
printf 'text floor against bare window: start %.2f, rss %.2f, instructions %.2f\n' \
  "$(awk -v a="${paint[floor]}" -v b="${paint[bare]}" 'BEGIN { print a / b }')" \
  "$(awk -v a="${rss[floor]}" -v b="${rss[bare]}" 'BEGIN { print a / b }')" \
  "$(awk -v a="${instr[floor]}" -v b="${instr[bare]}" 'BEGIN { print a / b }')"
# goal CASE WHAT LIMIT
goal() {
  local -n values=$2
  awk -v l="${label[$1]}" -v w="$2" -v v="${values[$1]}" -v f="${values[floor]}" -v g="$3" 'BEGIN {
    printf "goal, %s: %s %.2f (<= %.2f: %s)\n", l, w == "instr" ? "instructions" : w, v / f, g,
      v / f <= g ? "met" : "not met" }'
}
goal none instr 1.08
goal 3 instr 1.20
goal 24 instr 1.40
goal 3 rss 1.10
