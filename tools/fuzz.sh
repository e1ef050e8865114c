#!/bin/sh
# Builds the fuzz targets of fuzz/ with clang, libFuzzer, AddressSanitizer and UBSan in their
# own build folder, then runs each target for a fixed time over its seed corpus.
#
#   tools/fuzz.sh [SECONDS [TARGET...]]
#
# SECONDS per target (default 30); TARGETs are names such as unzip or registry_hive (default:
# all). Inputs found on the way go to build-fuzz/corpus/<target>/ (the committed seeds in
# fuzz/corpus/ are only read), crashes to build-fuzz/artifacts/<target>/, the output of each
# run to build-fuzz/logs/<target>.log. Environment: VOREL_FUZZ_BUILD (build folder),
# VOREL_FUZZ_JOBS (parallel compile jobs, default: the number of cores), VOREL_FUZZ_ARGS
# (more libFuzzer options). Exits non-zero when a target finds a fault.
set -eu
cd "$(dirname "$0")/.."

seconds=${1:-30}
[ $# -gt 0 ] && shift
targets=${*:-"manifest compare_version pe_version authenticode signature registry_hive unzip http_response service_token gbk_text"}
build=${VOREL_FUZZ_BUILD:-build-fuzz}
jobs=${VOREL_FUZZ_JOBS:-$(nproc)}

cmake -S . -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOREL_FUZZ=ON -DVOREL_SANITIZE=ON -DVOREL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target vorel_fuzzers

status=0
for target in $targets; do
    corpus="$build/corpus/$target"
    artifacts="$build/artifacts/$target"
    log="$build/logs/$target.log"
    mkdir -p "$corpus" "$artifacts" "$build/logs"
    dict=""
    [ -f "fuzz/dict/$target.dict" ] && dict="-dict=fuzz/dict/$target.dict"
    # shellcheck disable=SC2086 # the optional arguments are meant to split
    if ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2560 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" $dict ${VOREL_FUZZ_ARGS:-} \
        "$corpus" "fuzz/corpus/$target" >"$log" 2>&1; then
        result="ok"
    else
        result="FAILED (see $log and $artifacts/)"
        status=1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1)
    echo "fuzz $target: ${runs:-0} runs in ${seconds}s, ${coverage:-no coverage line}, $result"
    [ "$result" = ok ] || tail -n 40 "$log"
done
exit "$status"
