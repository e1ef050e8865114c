#!/bin/sh
# Installs what is needed, builds into build/ and runs the whole test suite. Then runs the
# whole suite once more under AddressSanitizer and UndefinedBehaviorSanitizer (build-sanitize/)
# and each fuzz target for a short, fixed time over its seed corpus (build-fuzz/, through
# tools/fuzz.sh). Exits non-zero when anything fails.
#
# VOREL_FUZZ_SECONDS sets the time per fuzz target (default 20).
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh

jobs=$(nproc)
status=0

# Every test of a build folder. Tests that open windows (gui) or run the built program (e2e)
# run on a virtual display. -noreset: a server that resets when its last client leaves drops
# the connections that arrive meanwhile.
run_suite() {
    ctest --test-dir "$1" --output-on-failure -j "$jobs" -LE 'gui|e2e' || status=1
    xvfb-run -a -s "-noreset -screen 0 1280x1024x24" \
        ctest --test-dir "$1" --output-on-failure -L 'gui|e2e' || status=1
}

cmake -S . -B build -G Ninja
cmake --build build -j "$jobs"
run_suite build

# The same suite, every test of it, under the sanitizers. Leaks are reported too, except
# those of the desktop libraries listed in tools/lsan.supp.
cmake -S . -B build-sanitize -G Ninja -DVOREL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build build-sanitize -j "$jobs"
export ASAN_OPTIONS="detect_leaks=1"
export LSAN_OPTIONS="suppressions=$(pwd)/tools/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
run_suite build-sanitize
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS

# Each fuzz target for a short, fixed time (the long runs are in docs/hardening.md).
VOREL_FUZZ_JOBS="$jobs" tools/fuzz.sh "${VOREL_FUZZ_SECONDS:-20}" || status=1

[ "$status" -eq 0 ] && echo "test.sh: all tests passed"
exit "$status"
