#!/bin/sh
# Builds and runs the download benchmark: HttpDownload against curl -o, a 256 MiB install
# file from nginx on 127.0.0.1, seven runs each. Installs nginx and curl when missing.
# BUILD_DIR chooses the build folder (default build-bench); arguments go to the benchmark
# (--runs N, --size-mib M).
set -eu
cd "$(dirname "$0")/../.."
tools/setup.sh
missing=""
command -v nginx >/dev/null 2>&1 || [ -x /usr/sbin/nginx ] || missing="$missing nginx-light"
command -v curl >/dev/null 2>&1 || missing="$missing curl"
if [ -n "$missing" ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
fi
PATH="$PATH:/usr/sbin"
build="${BUILD_DIR:-build-bench}"
cmake -S . -B "$build" -G Ninja -DVOREL_BUILD_BENCH=ON -DVOREL_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_download
"$build/bench/download/bench_download" "$@"
