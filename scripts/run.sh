#!/usr/bin/env bash
# Sets everything up (scripts/setup.sh) and starts the tool against a virtual reader: the launcher
# build/bin/zrt-vivoraz-demo runs the real build/bin/zrt-vivoraz with a virtual reader on the
# umockdev test bed, shows in this terminal what the reader receives, and lets you unplug and plug
# the reader (u, p, q and Enter). The tool's window needs a display.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "The tool's window needs a display: run this in a desktop session (or with DISPLAY set)." >&2
    exit 1
fi
ZRT_TARGETS="zrt-vivoraz zrt-vivoraz-demo" scripts/setup.sh
exec build/bin/zrt-vivoraz-demo
