#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer
# (gcc) in build-asan and runs the tests there.
#   tests/sanitize.sh [CTEST_ARGS...]     e.g. tests/sanitize.sh -LE e2e
# BUILD is $PLANDOR_ASAN_BUILD_DIR or build-asan beside the sources.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${PLANDOR_ASAN_BUILD_DIR:-$here/build-asan}

cmake -S "$here" -B "$build" -DPLANDOR_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

# The end-to-end tests preload libfaketime ahead of the ASan runtime; it only
# replaces clock functions, so the link-order check may be relaxed.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:verify_asan_link_order=0}
# Qt and its system libraries are not instrumented; the few leaks they keep
# until exit are listed (with reasons) in the suppressions file.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/tests/sanitize/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

ctest --test-dir "$build" --output-on-failure "$@"
