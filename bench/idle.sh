#!/usr/bin/env bash
# The idle comparison and the plug-in delay, run by hand (not by the test command):
#   bench/idle.sh linux BUILD_DIR            the Qt tool against the empty Qt window
#   bench/idle.sh windows BUILD_DIR WIN_DIR  zrt-vivoraz.exe under wine against the empty Win32
#                                            window, every process of the prefix summed
# Each program runs alone in the umockdev bed with 16 foreign HID interfaces, on an Xvfb display,
# for ${ZRT_IDLE_SECONDS:-60} s after it settled; its CPU comes from /proc/PID/schedstat. On Linux
# the tool is then given a reader ${ZRT_PLUGS:-5} times and the delay from plug-in to its first "M"
# is printed. Goal: the tool at most 1.2 times the empty window; plug-in to "M" at most 150 ms.
set -euo pipefail
platform=${1:?linux or windows}
build=$(cd "${2:?build folder}" && pwd)
seconds=${ZRT_IDLE_SECONDS:-60}
bed="$build/bin/zrt_bench_idle_bed"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 1
export DISPLAY=$display

share() { sed -n 's/.*share_percent=\([0-9.]*\).*/\1/p' <<<"$1"; }
report() {
    local tool=$1 empty=$2
    echo "tool:  $tool"
    echo "empty: $empty"
    awk -v t="$(share "$tool")" -v e="$(share "$empty")" \
        'BEGIN { printf "ratio tool/empty: %.2f (goal <= 1.2)\n", t / e }'
}

if [ "$platform" = linux ]; then
    export QT_QPA_PLATFORM=xcb
    tool=$("$bed" --seconds "$seconds" --foreign 16 --plug "${ZRT_PLUGS:-5}" -- "$build/bin/zrt-vivoraz")
    empty=$("$bed" --seconds "$seconds" --foreign 16 -- "$build/bin/zrt_bench_empty_qt_window")
    report "$(head -1 <<<"$tool")" "$empty"
    tail -n +2 <<<"$tool"
else
    windows=$(cd "${3:?Windows build folder}" && pwd)
    WINEPREFIX=$(mktemp -d /tmp/zrt-idle-wine-XXXXXX)
    export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    "$(dirname "$0")/../scripts/wine-prefix.sh" >/dev/null 2>&1
    wineserver -k || true
    wineserver -w || true
    # Every wine process, the wineserver first, starts inside the bed and carries its tag.
    run() { "$bed" --seconds "$seconds" --settle 15 --foreign 16 -- wine "$1"; wineserver -k || true; wineserver -w || true; }
    tool=$(run "$windows/bin/zrt-vivoraz.exe")
    empty=$(run "$windows/bin/zrt_bench_empty_window.exe")
    report "$tool" "$empty"
    rm -rf "$WINEPREFIX"
fi
