#!/usr/bin/env bash
# Builds the Debian package of Parvello Jr. into build/package, after checking its menu
# entry and its software-centre description; install it with `apt install ./build/package/parvello_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
scripts/install-deps.sh "${build_packages[@]}" "${package_packages[@]}"

cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBUILD_TESTING=OFF -DPARVELLO_BUILD_BENCHMARKS=OFF
cmake --build build/package -j "$(nproc)"
desktop-file-validate build/package/packaging/parvello.desktop
appstreamcli validate --no-net build/package/packaging/com.veltrane.ParvelloJr.metainfo.xml
(cd build/package && cpack -G DEB)
package=$(ls build/package/parvello_*.deb)
# The packaged program, unpacked, started from its menu entry on a private X session.
scripts/install-deps.sh "${test_packages[@]}"
tests/end-to-end/run.sh installed "$package" build/package/check
echo "Built $package"
