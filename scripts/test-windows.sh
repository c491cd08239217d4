#!/usr/bin/env bash
# The Windows half of the test command: installs mingw-w64 and wine when missing, cross-builds the
# portable core, the programs zrt-vivoraz.exe and zrt-vivoraz-cli.exe, their MSI and zip (in
# build-windows/packages/) and the tests into build-windows/ (programs in
# build-windows/bin/*.exe), the program once more with newer test images into build-windows-upgrade/
# (for the native end-to-end test of the upload), and runs the Windows tests under wine in a throw-away prefix that is removed at the end. Called by scripts/test.sh;
# runs on its own too.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(mingw-w64 g++-mingw-w64-x86-64-posix wine wine64 fonts-wine cmake ninja-build xvfb python3
          librsvg2-bin icoutils wixl msitools osslsigncode openssl cmark)
scripts/install-missing.sh "${packages[@]}"

cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
    -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}"
cmake --build build-windows
ls -l build-windows/bin/zrt-vivoraz.exe build-windows/bin/zrt-vivoraz-cli.exe | awk '{sub(".*/", "", $9); print $9 ": " $5 " bytes"}'

# The upgrade build: only the program, with placeholder images newer than any test reader's firmware,
# for the native end-to-end test of the upload (tests/app/win_e2e_test.cpp). Placeholders are
# test images: only a build with ZRT_TEST_IMAGES uploads them (its title says "(test images)").
python3 firmware/images/make-placeholders.py --out build-windows-upgrade/images --version 512 >/dev/null
cmake -S . -B build-windows-upgrade -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
    -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" -DZRT_BUILD_TESTS=OFF -DZRT_TEST_IMAGES=ON \
    -DZRT_FIRMWARE_DIR="$PWD/build-windows-upgrade/images" >/dev/null
cmake --build build-windows-upgrade --target zrt-vivoraz

# One prefix for this run. Its wineserver (kept running) and wine's background services (by
# wineboot, which makes the prefix) are started before ctest with their output to /dev/null: started by the first test instead, they would keep ctest's
# output pipe open and ctest would wait forever.
# The Win32 backend's tests make windows: they get an X display of their own (Xvfb, no window
# manager), and the prefix is made on it at 96 dpi.
WINEPREFIX="$(mktemp -d /tmp/zrt-wine-XXXXXX)"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=""
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"; [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true' EXIT
exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1600x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 20 -u "$displayfd" display
export DISPLAY=":$display"
scripts/wine-prefix.sh
ctest --test-dir build-windows --output-on-failure --timeout 300
