#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks what is there, builds a small C program
# against it once with pkg-config and once with CMake's find_package, and runs both (and the
# installed pelorus) against the installed emulator.
#   install_test.sh BUILD_DIR SOURCE_DIR [sanitizer compile flags]
set -euo pipefail
build=$1
source=$2
flags=${3:-}
work=$(mktemp -d)
emulator_pid=""
cleanup() {
  [ -n "$emulator_pid" ] && kill "$emulator_pid" 2>/dev/null && wait "$emulator_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
for f in lib/libPelorus32.so lib/libPelorus32.so.5 include/pelorus32.h lib/pkgconfig/pelorus32.pc \
         lib/cmake/Pelorus32/Pelorus32Config.cmake lib/cmake/Pelorus32/Pelorus32ConfigVersion.cmake lib/libDES.so \
         bin/kitesim bin/kestrel bin/pelorus share/applications/kestrel.desktop \
         share/icons/hicolor/scalable/apps/kestrel.svg share/man/man1/pelorus.1 share/doc/kestrel/user-guide.html \
         share/doc/pelorus/README.md lib/udev/rules.d/60-pelorus32.rules \
         lib/libPelorus.so include/pelorus.h bin/pelorus-regsvr lib/python3/dist-packages/pelorus/__init__.py \
         lib/pcsc/drivers/serial/libifd-pelorus.so share/doc/pelorus/pcsc.md share/doc/pelorus/reader.conf.d/pelorus; do
  [ -e "$prefix/$f" ] || fail "$f is not installed"
done
soname=$(readelf -d "$prefix/lib/libPelorus32.so" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
[ "$soname" = libPelorus32.so.5 ] || fail "SONAME is '$soname'"
[ "$(readlink "$prefix/lib/libPelorus32.so.5")" = libPelorus32.so.5.1 ] || fail "libPelorus32.so.5 does not name 5.1"
grep -q '^Exec=kestrel$' "$prefix/share/applications/kestrel.desktop" || fail "desktop entry"

# The consumers: with pkg-config, and with find_package.
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
[ "$(pkg-config --modversion pelorus32)" = 5.1 ] || fail "pkg-config version"
# shellcheck disable=SC2046,SC2086
cc $flags -o "$work/consumer-pc" "$source/tests/install/consumer/consumer.c" $(pkg-config --cflags --libs pelorus32) \
  -Wl,-rpath,"$prefix/lib"
cmake -S "$source/tests/install/consumer" -B "$work/consumer-build" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$work/consumer-build" >/dev/null

# The installed emulator on a pseudo-terminal; its first line names the slave. It keeps running
# after its standard input ends.
mkfifo "$work/lines"
"$prefix/bin/kitesim" --pty --card mcu-t0 < /dev/null > "$work/lines" 2>"$work/kitesim.err" &
emulator_pid=$!
exec 3<"$work/lines"
read -r kind tty <&3
[ "$kind" = pty ] || fail "kitesim said '$kind $tty'"
read -r ready <&3
export PELORUS32_COM1=$tty
for program in "$work/consumer-pc" "$work/consumer-build/consumer"; do
  out=$("$program") || fail "$program failed: $out"
  grep -q "firmware KITEBT0310 version 501" <<<"$out" || fail "$program printed: $out"
  grep -q "SW 9000" <<<"$out" || fail "$program printed: $out"
done
out=$("$prefix/bin/pelorus" info --reader KITEB_9600) || fail "installed pelorus: $out"
grep -q KITEBT0310 <<<"$out" || fail "installed pelorus printed: $out"
# The installed control registers itself from where it was installed.
XDG_DATA_HOME=$work/data "$prefix/bin/pelorus-regsvr" "$prefix/lib/libPelorus.so" >/dev/null || fail "pelorus-regsvr"
grep -qx "InprocServer=$(realpath "$prefix/lib/libPelorus.so")" "$work/data/pelorus/clsid/{3CE2AEB8-6DA5-408C-9350-CAD548EBBC10}" \
  || fail "the control's registration does not name the installed module"
echo "install test passed: $prefix"
