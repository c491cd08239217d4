#!/usr/bin/env bash
# Sets everything up (scripts/setup.sh) and runs the whole test suite with CTest, then the sanitizer
# suite and the fuzz targets (scripts/test-proof.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh "$@"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --timeout 300 -j "$(nproc)"
scripts/test-proof.sh
