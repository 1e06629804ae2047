#!/usr/bin/env bash
# Builds everything and starts the emulated reader (a KITEB at 57600 bit/s behind RFC 2217 on
# loopback, with the demo VELA1 card). With a display, Kestrel runs on it: COM1 points at the emulator, so
# Kestrel's default configuration (Auto detect on COM1) finds it, and lines typed here (insert
# vela1, remove, help ...) go to the emulator. Without a display, the text demo shows the reader
# through the library (the rate it detected, the information block, the card's answer to reset)
# and scans the demo VELA1 card (its stage and file table). The emulator stops with Kestrel or
# the demo.
#
#   ./run.sh                  Kestrel (or the text demo) against the emulator
#   ./run.sh --reader         the text demo against the reader the port map names for COM1
#   ./run.sh --pcsc           the emulated reader served by a pcscd of its own, and pcsc_scan on it
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
source "$ROOT/scripts/setup.sh"

echo "Building (log in build-run.log)..."
setup_build "$ROOT/build" > "$ROOT/build-run.log" 2>&1 || { cat "$ROOT/build-run.log"; exit 1; }
BIN=$ROOT/build/bin

if [ "${1:-}" = "--reader" ]; then
  exec "$BIN/reader_info" 0 255
fi
if [ "${1:-}" = "--pcsc" ]; then
  exec "$ROOT/scripts/pcsc_demo.sh"
fi

have_display=false
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && have_display=true

work=$(mktemp -d)
emulator_out=$work/emulator.out
emulator=""
helpers=()
cleanup() {
  for pid in "${helpers[@]}" $emulator; do kill "$pid" 2>/dev/null || true; done
  for pid in "${helpers[@]}" $emulator; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# With Kestrel, the emulator reads its commands from a pipe that this script feeds from the
# terminal; the pipe is held open here so that the emulator runs until it is stopped.
if $have_display; then
  mkfifo "$work/commands"
  "$BIN/kitesim" --rfc2217 0 --rate 57600 --card vela1 < "$work/commands" > "$emulator_out" &
  emulator=$!
  exec 3> "$work/commands"
else
  "$BIN/kitesim" --rfc2217 0 --rate 57600 --card vela1 < /dev/null > "$emulator_out" &
  emulator=$!
fi

for _ in $(seq 100); do
  grep -q '^ready' "$emulator_out" && break
  kill -0 "$emulator" 2>/dev/null || { echo "the emulator did not start:"; cat "$emulator_out"; exit 1; }
  sleep 0.05
done
port=$(awk '$1 == "rfc2217" {print $2}' "$emulator_out")
export PELORUS32_COM1="rfc2217://127.0.0.1:$port"
echo "Emulated reader on $PELORUS32_COM1"

if ! $have_display; then
  echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): showing the reader through the text demo instead of Kestrel."
  # Auto-detection: the library resets the reader by DTR and takes the rate it announces.
  "$BIN/reader_info" 0 255
  echo
  "$BIN/vela1_scan" 255
  exit
fi

"$BIN/kestrel" &
kestrel=$!
echo "Kestrel is running; close it to stop the emulator."
if [ -t 0 ]; then
  echo "Commands for the emulated reader (insert MODEL, remove, state, help) can be typed here."
  echo "Demo memory cards: remove, then insert demo-sle4442 (security code 12 34 56),"
  echo "insert demo-counter (6117 units) or insert demo-x76f100 (read password read-pw!, write password write-pw)."
  tail -n 0 -f --pid="$kestrel" "$emulator_out" &
  helpers+=($!)
  # read gives up after a second with a status above 128, keeping what was typed so far, and
  # ends with 1 at the end of input.
  typed=""
  while kill -0 "$kestrel" 2>/dev/null; do
    status=0
    line=""
    read -r -t 1 line || status=$?
    if [ $status -eq 0 ]; then
      echo "$typed$line" >&3
      typed=""
    elif [ $status -gt 128 ]; then
      typed+=$line
    else
      break
    fi
  done
fi
wait "$kestrel"
