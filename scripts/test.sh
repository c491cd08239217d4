#!/usr/bin/env bash
# Sets everything up (scripts/setup.sh) and runs the whole test suite: the Windows build under wine
# (scripts/test-windows.sh), the native one with CTest, the Debian packages' checks
# (scripts/test-packages.sh), then the sanitizer suite and the fuzz targets (scripts/test-proof.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
ZRT_EXTRA_PACKAGES="lintian desktop-file-utils appstream x11-utils ansible python3-apt" scripts/setup.sh "$@"
scripts/test-windows.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --timeout 300 -j "$(nproc)"
# The Debian packages, installed and purged again on this machine.
QT_QPA_PLATFORM= scripts/test-packages.sh build
scripts/test-proof.sh
