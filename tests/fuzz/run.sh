#!/usr/bin/env bash
# Builds the fuzz targets with clang (ASan + UBSan + libFuzzer) in their own
# build folder and runs each one for SECONDS on a copy of its seed corpus.
#   tests/fuzz/run.sh SECONDS [TARGET...]
# First every input under regressions/<target>/ is replayed. Fails on any
# finding; the input that found it is kept under BUILD/fuzz-artifacts/.
# BUILD is $PLANDOR_FUZZ_BUILD_DIR or build-fuzz beside the sources.
set -euo pipefail
seconds=${1:?usage: $0 SECONDS [TARGET...]}
shift
here=$(cd "$(dirname "$0")/../.." && pwd)
fuzzdir=$here/tests/fuzz
build=${PLANDOR_FUZZ_BUILD_DIR:-$here/build-fuzz}
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(fuzz_dayfile fuzz_routinefile fuzz_listfile fuzz_codec fuzz_caldav fuzz_wav fuzz_settings fuzz_recovery)

cc=${CC:-clang}
cxx=${CXX:-clang++}
command -v "$cxx" >/dev/null || { echo "run.sh: $cxx not found (install clang and libclang-rt-14-dev)" >&2; exit 1; }

CC=$cc CXX=$cxx cmake -S "$here" -B "$build" -DPLANDOR_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

# Leaks count as findings too; stop at the first report of any kind.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
summary=()
for t in "${targets[@]}"; do
  bin=$build/tests/fuzz/$t
  corpus=$build/fuzz-corpus/$t
  artifacts=$build/fuzz-artifacts/$t
  log=$build/fuzz-logs/$t.log
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  # The grown corpus is kept between runs; the committed seeds are added.
  cp -n "$fuzzdir/corpus/$t"/* "$corpus"/ 2>/dev/null || true

  regressions=()
  if [[ -d $fuzzdir/regressions/$t ]]; then
    while IFS= read -r -d '' f; do regressions+=("$f"); done \
      < <(find "$fuzzdir/regressions/$t" -type f -print0 | sort -z)
  fi
  if [[ ${#regressions[@]} -gt 0 ]]; then
    echo "== $t: replaying ${#regressions[@]} regression input(s)"
    if ! "$bin" -artifact_prefix="$artifacts/" "${regressions[@]}" >"$log.regressions" 2>&1; then
      grep -E 'runtime error|ERROR:|check failed|SUMMARY' "$log.regressions" | head -n 5 >&2 || true
      echo "== $t: FAILED on a regression input (log: $log.regressions)" >&2
      failed+=("$t")
      summary+=("$t: failed on a regression input")
      continue
    fi
  fi

  echo "== $t: fuzzing for $seconds s"
  rc=0
  "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1 || rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 || true)
  [[ -n $done_line ]] && echo "   $done_line"
  if [[ $rc -ne 0 ]] || ! grep -q '^Done [0-9]* runs' "$log"; then
    grep -E 'runtime error|ERROR:|check failed|SUMMARY|Test unit written' "$log" | head -n 6 >&2 || true
    echo "== $t: FAILED after ${runs:-?} inputs (log: $log)" >&2
    failed+=("$t")
    summary+=("$t: FAILED after ${runs:-?} inputs")
  else
    summary+=("$t: ${runs:-?} inputs in $seconds s, no finding")
  fi
done

echo
echo "Fuzz summary:"
printf '  %s\n' "${summary[@]}"
[[ ${#failed[@]} -eq 0 ]] || { echo "findings in: ${failed[*]}" >&2; exit 1; }
