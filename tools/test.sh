#!/bin/sh
# Installs what is needed, builds into build/ and runs the whole test suite.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja
cmake --build build -j "$jobs"

# The readers of untrusted input also run under AddressSanitizer and UBSan (label sanitize).
cmake -S . -B build-sanitize -G Ninja -DVOREL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build build-sanitize -j "$jobs" --target sanitized_tests

status=0
ctest --test-dir build --output-on-failure -j "$jobs" -LE 'gui|e2e' || status=1
# Tests that open windows run on a virtual display. -noreset: a server that resets when
# its last client leaves drops the connections that arrive meanwhile.
xvfb-run -a -s "-noreset -screen 0 1280x1024x24" \
    ctest --test-dir build --output-on-failure -L 'gui|e2e' || status=1
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-sanitize --output-on-failure -j "$jobs" -L sanitize || status=1

[ "$status" -eq 0 ] && echo "test.sh: all tests passed"
exit "$status"
