#!/usr/bin/env bash
# Builds everything, starts the emulated reader (a KITEB at 57600 bit/s behind RFC 2217 on
# loopback, a microcontroller card inserted) and shows it through the library: the rate it
# detected, the information block and the card's answer to reset. The emulator stops with the demo.
#
#   ./run.sh                  the demo against the emulator
#   ./run.sh --reader         the same demo against the reader the port map names for COM1
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
source "$ROOT/scripts/setup.sh"

echo "Building (log in build-run.log)..."
setup_build "$ROOT/build" > "$ROOT/build-run.log" 2>&1 || { cat "$ROOT/build-run.log"; exit 1; }
BIN=$ROOT/build/bin

if [ "${1:-}" = "--reader" ]; then
  exec "$BIN/reader_info" 0 255
fi

emulator_out=$(mktemp)
"$BIN/kitesim" --rfc2217 0 --rate 57600 --card mcu-t0 > "$emulator_out" < /dev/null &
emulator=$!
trap 'kill $emulator 2>/dev/null; wait $emulator 2>/dev/null; rm -f "$emulator_out"' EXIT

for _ in $(seq 100); do
  grep -q '^ready' "$emulator_out" && break
  kill -0 $emulator 2>/dev/null || { echo "the emulator did not start:"; cat "$emulator_out"; exit 1; }
  sleep 0.05
done
port=$(awk '$1 == "rfc2217" {print $2}' "$emulator_out")
echo "Emulated reader on rfc2217://127.0.0.1:$port"

# Auto-detection: the library resets the reader by DTR and takes the rate it announces.
PELORUS32_COM1="rfc2217://127.0.0.1:$port" "$BIN/reader_info" 0 255
