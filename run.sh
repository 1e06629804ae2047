#!/usr/bin/env bash
# Builds everything and shows the reader on COM1: its information block, or one line saying
# which device could not be opened and why.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
source "$ROOT/scripts/setup.sh"

setup_build "$ROOT/build"
exec "$ROOT/build/bin/reader_info" "$@"
