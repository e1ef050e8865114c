#!/bin/sh
# Builds and runs the signature benchmark: CheckPublisherSignature against
# `osslsigncode verify` on a 100 MiB component signed by osslsigncode under test certificates,
# five runs each, and the peak memory of the check on a 1 MiB and on the 100 MiB file.
# BUILD_DIR chooses the build folder (default build-bench); arguments go to the benchmark
# (--runs N, --size-mib M).
set -eu
cd "$(dirname "$0")/../.."
tools/setup.sh
build="${BUILD_DIR:-build-bench}"
cmake -S . -B "$build" -G Ninja -DVOREL_BUILD_BENCH=ON -DVOREL_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_signature
"$build/bench/signature/bench_signature" "$@"
