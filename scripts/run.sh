#!/usr/bin/env bash
# Builds Parvello Jr. and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
scripts/install-deps.sh "${build_packages[@]}"

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBUILD_TESTING=OFF -DPARVELLO_BUILD_BENCHMARKS=OFF
cmake --build build/release --target parvello
exec build/release/app/parvello "$@"
