#!/bin/sh
# Builds and runs the extraction benchmark: UnzipPackage against `unzip -o` on a package of
# about 100 MiB (200 files, half compressible, half random, in folders) made by Info-ZIP's
# zip, five runs each. BUILD_DIR chooses the build folder (default build-bench); arguments go
# to the benchmark (--runs N).
set -eu
cd "$(dirname "$0")/../.."
tools/setup.sh
build="${BUILD_DIR:-build-bench}"
cmake -S . -B "$build" -G Ninja -DVOREL_BUILD_BENCH=ON -DVOREL_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_unzip
"$build/bench/unzip/bench_unzip" "$@"
