#!/usr/bin/env bash
# The idle comparison and the plug-in delay, run by hand (not by the test command). A third
# program, the empty window with a focused text box, shows what the tool's own focused text box
# costs (its caret blinks):
#   bench/idle.sh linux BUILD_DIR            the Qt tool against the empty Qt window
#   bench/idle.sh windows BUILD_DIR WIN_DIR  zrt-vivoraz.exe under wine against the empty Win32
#                                            window, every process of the prefix summed
# The programs run at once in the umockdev bed with 16 foreign HID interfaces, each on an Xvfb
# display of its own so that each window has the keyboard focus (a focused text box's caret
# blinks), for ${ZRT_IDLE_SECONDS:-60} s after they settled (the tool's caret rests after 10 s of
# no input, so the settling takes longer); their CPU comes from /proc/PID/schedstat. The tool is
# then given a reader ${ZRT_PLUGS:-5} times (under wine ${ZRT_PLUGS:-0}) and the delay from plug-in
# to its first "M" is printed. Goal: the tool at most 1.2 times the empty window; plug-in to "M" at
# most 150 ms.
set -euo pipefail
platform=${1:?linux or windows}
build=$(cd "${2:?build folder}" && pwd)
seconds=${ZRT_IDLE_SECONDS:-60}
bed="$build/bin/zrt_bench_idle_bed"

# One display a program.
base=$((90 + RANDOM % 100))
displays=(":$base" ":$((base + 1))" ":$((base + 2))")
servers=()
for display in "${displays[@]}"; do
    Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
    servers+=($!)
done
trap 'kill "${servers[@]}" 2>/dev/null || true' EXIT
sleep 1

share() { sed -n "s/^program=$1 .*share_percent=\([0-9.]*\).*/\1/p" <<<"$2"; }
report() {
    grep '^program=' <<<"$1" |
        sed 's/^program=0/tool:               /; s/^program=1/empty:              /;
             s/^program=2/empty with text box:/'
    awk -v t="$(share 0 "$1")" -v e="$(share 1 "$1")" -v b="$(share 2 "$1")" \
        'BEGIN { printf "ratio tool/empty: %.2f (goal <= 1.2); tool/empty with text box: %.2f\n", t / e, t / b }'
    grep '^plug' <<<"$1" || true
}

# Both programs run at once in one bed, so that they share whatever else the machine is doing.
if [ "$platform" = linux ]; then
    export QT_QPA_PLATFORM=xcb
    report "$("$bed" --seconds "$seconds" --settle 15 --foreign 16 --plug "${ZRT_PLUGS:-5}" \
        -- env DISPLAY="${displays[0]}" "$build/bin/zrt-vivoraz" \
        -- env DISPLAY="${displays[1]}" "$build/bin/zrt_bench_empty_qt_window" \
        -- env DISPLAY="${displays[2]}" "$build/bin/zrt_bench_empty_qt_window" --text-box)"
else
    windows=$(cd "${3:?Windows build folder}" && pwd)
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    # One prefix a program, each with its own wineserver, which must start inside the bed.
    prefixes=()
    for n in 0 1 2; do
        prefix=$(mktemp -d /tmp/zrt-idle-wine-XXXXXX)
        WINEPREFIX=$prefix "$(dirname "$0")/../scripts/wine-prefix.sh" >/dev/null 2>&1
        WINEPREFIX=$prefix wineserver -k || true
        WINEPREFIX=$prefix wineserver -w || true
        prefixes+=("$prefix")
    done
    out=$("$bed" --seconds "$seconds" --settle 20 --foreign 16 --plug "${ZRT_PLUGS:-0}" \
        -- env DISPLAY="${displays[0]}" WINEPREFIX="${prefixes[0]}" wine "$windows/bin/zrt-vivoraz.exe" \
        -- env DISPLAY="${displays[1]}" WINEPREFIX="${prefixes[1]}" \
        wine "$windows/bin/zrt_bench_empty_window.exe" \
        -- env DISPLAY="${displays[2]}" WINEPREFIX="${prefixes[2]}" \
        wine "$windows/bin/zrt_bench_empty_window.exe" --text-box)
    report "$out"
    for prefix in "${prefixes[@]}"; do
        WINEPREFIX=$prefix wineserver -k || true
        WINEPREFIX=$prefix wineserver -w || true
        rm -rf "$prefix"
    done
fi
