#!/usr/bin/env bash
# Builds the Debian package of Parvello Jr. into build/package with the hardening flags that
# Debian builds its own packages with, after checking its menu entry and its software-centre
# description, and has Debian's package checker find nothing to report in it; install it with
# `apt install ./build/package/parvello_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
scripts/install-deps.sh "${build_packages[@]}" "${package_packages[@]}"

# All of Debian's hardening, binding every symbol at start-up included. The flags are given
# on the command line, so that a package folder configured before takes them too.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBUILD_TESTING=OFF -DPARVELLO_BUILD_BENCHMARKS=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build build/package -j "$(nproc)"
# The menu entry and the description as the build wrote them from the program's identity.
desktop-file-validate build/package/packaging/*.desktop
appstreamcli validate --no-net build/package/packaging/*.metainfo.xml
rm -f build/package/*.deb
(cd build/package && cpack -G DEB)
package=$(ls build/package/*.deb)
# Any error, warning or note, the informational ones included, fails the build.
lintian --display-info --fail-on error,warning,info "$package"
# The packaged program, unpacked, started from its menu entry on a private X session.
scripts/install-deps.sh "${test_packages[@]}"
tests/end-to-end/run.sh installed "$package" build/package/check
echo "Built $package"
