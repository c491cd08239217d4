#!/usr/bin/env bash
# The plug-in figures, run by hand (not by the test command):
#   bench/plug_in.sh linux BUILD_DIR           zrt_bench_plug_in: ${ZRT_PLUGS:-200} plug-ins in
#       udev's order given access 400 ms after the node (no no-access box or status line, each one
#       loaded), ${ZRT_REFUSED:-20} never given access (the box once each), 5 readers held by
#       another program and let go (loaded within 1.5 s of the release)
#   bench/plug_in.sh windows BUILD_DIR WIN_DIR  the Windows window program with its registration
#       for device notifications refused, under wine in the umockdev bed with 16 foreign HID
#       interfaces: from plug-in to the loaded reader (first "c"), ${ZRT_PLUGS:-10} times (goal:
#       at most 300 ms), and what its trace says of the change signals
set -euo pipefail
platform=${1:?linux or windows}
build=$(cd "${2:?build folder}" && pwd)

if [ "$platform" = linux ]; then
    exec "$build/bin/zrt_bench_plug_in" --accessible "${ZRT_PLUGS:-200}" \
        --refused "${ZRT_REFUSED:-20}" --held 5 2>/dev/null
fi

windows=$(cd "${3:?Windows build folder}" && pwd)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
prefix=$(mktemp -d /tmp/zrt-plug-wine-XXXXXX)
trace="$prefix/trace.txt"
exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
trap 'WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; kill $server 2>/dev/null || true;
      rm -rf "$prefix"' EXIT
read -r -t 20 -u "$displayfd" display
# The prefix's wineserver must start inside the bed: the one wine-prefix.sh leaves is stopped.
WINEPREFIX=$prefix "$(dirname "$0")/../scripts/wine-prefix.sh" >/dev/null 2>&1
WINEPREFIX=$prefix wineserver -k || true
WINEPREFIX=$prefix wineserver -w || true
"$build/bin/zrt_bench_idle_bed" --seconds 1 --settle 20 --foreign 16 --plug "${ZRT_PLUGS:-10}" \
    -- env DISPLAY=":$display" WINEPREFIX="$prefix" ZRT_TRACE="$trace" \
    wine "$windows/bin/zrt_bench_refused_registration.exe" | grep '^plug'
echo "trace on change signals: $(grep -c 'change signals' "$trace") line(s):"
grep 'change signals' "$trace" | sed 's/^[0-9-]* [0-9:.]* /    /'
echo "the trace's last search lines (repeated listings folded):"
grep ' search ' "$trace" | tail -n 3 | sed 's/^[0-9-]* [0-9:.]* /    /' | cut -c 1-120
