#!/usr/bin/env bash
# Sets everything up (scripts/setup.sh) and starts the tool.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exec build/bin/zrt-vivoraz
