#!/usr/bin/env bash
# Builds the Debian packages in build/package: varnocsv (the command, the
# three libraries, the manual page and bash completion) and
# libvarnocsvmgr-dev (headers, CMake package, pkg-config module), for the
# prefix /usr. Prints the paths of the .deb files.
#   BUILD_DIR  build folder (default build/package)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${BUILD_DIR:-build/package}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DBUILD_TESTING=OFF -DVARNO_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$PWD/$build"/*.deb
