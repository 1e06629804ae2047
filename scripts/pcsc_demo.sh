#!/usr/bin/env bash
# ./run.sh --pcsc: the emulated reader behind RFC 2217 on loopback, a pcscd of its own serving it
# through build/lib/libifd-pelorus.so, and pcsc_scan following the reader and its card. Lines
# typed here go to the emulator (remove, insert demo-sle4442, insert iic, help ...); Ctrl-D or
# Ctrl-C ends everything.
#
# pcscd always serves /run/pcscd and loads every driver in /usr/lib/pcsc/drivers, so it runs in a
# private mount namespace with folders of its own bound over both: the machine's own pcscd and
# readers are left alone. That needs root (sudo is asked for when not root).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BIN=$ROOT/build/bin
HANDLER=$ROOT/build/lib/libifd-pelorus.so

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
work=$(mktemp -d)
chmod 755 "$work"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do $sudo kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  $sudo rm -rf "$work"
}
trap cleanup EXIT

mkfifo "$work/commands"
"$BIN/kitesim" --rfc2217 0 --card mcu-t0 < "$work/commands" > "$work/emulator.out" &
pids+=($!)
exec 3> "$work/commands"
for _ in $(seq 100); do
  grep -q '^ready' "$work/emulator.out" && break
  sleep 0.05
done
port=$(awk '$1 == "rfc2217" {print $2}' "$work/emulator.out")
[ -n "$port" ] || { echo "the emulator did not start:"; cat "$work/emulator.out"; exit 1; }

mkdir "$work/run" "$work/drivers"
cat > "$work/reader.conf" <<CONF
FRIENDLYNAME "Pelorus emulated reader"
DEVICENAME   rfc2217://127.0.0.1:$port
LIBPATH      $HANDLER
CONF
echo "reader.conf for this pcscd:"
sed 's/^/    /' "$work/reader.conf"

$sudo unshare --mount --propagation private /bin/sh -c "mkdir -p /run/pcscd \
  && mount --bind $work/run /run/pcscd \
  && { [ ! -d /usr/lib/pcsc/drivers ] || mount --bind $work/drivers /usr/lib/pcsc/drivers; } \
  && exec pcscd --foreground --info --config $work/reader.conf > $work/pcscd.log 2>&1" &
pids+=($!)
for _ in $(seq 200); do
  grep -q 'daemon ready' "$work/pcscd.log" 2>/dev/null && break
  sleep 0.05
done
grep -q 'daemon ready' "$work/pcscd.log" 2>/dev/null || { echo "pcscd did not start:"; cat "$work/pcscd.log"; exit 1; }

# Clients find this pcscd through its socket.
export PCSCLITE_CSOCK_NAME=$work/run/pcscd.comm
echo "pcscd is serving the emulated reader (clients: PCSCLITE_CSOCK_NAME=$PCSCLITE_CSOCK_NAME)."
echo "Type emulator commands (remove, insert demo-sle4442, insert iic, help); Ctrl-D ends."
pcsc_scan &
pids+=($!)
while read -r line; do echo "$line" >&3; done
