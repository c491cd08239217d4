#!/usr/bin/env bash
# Installs what building, testing and running the tool need on Debian 12, then configures and
# builds it into build/ (executables in build/bin/). Safe to run again: it installs only what is
# missing and rebuilds only what changed.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    build-essential cmake ninja-build pkg-config
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-translations-l10n libgl-dev fonts-dejavu-core fonts-dejavu-extra
    umockdev libumockdev-dev
    libcli11-dev nlohmann-json3-dev python3
    xvfb xdotool imagemagick librsvg2-bin
)

# Callers add what only they need (scripts/test.sh: the package checks' tools).
read -r -a extra <<<"${ZRT_EXTRA_PACKAGES:-}"
packages+=("${extra[@]}")

scripts/install-missing.sh "${packages[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@"
# ZRT_TARGETS: only these targets (scripts/run.sh builds just the demo); else everything.
read -r -a targets <<<"${ZRT_TARGETS:-}"
cmake --build build ${targets[@]:+--target "${targets[@]}"}
