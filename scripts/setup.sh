# Shared set-up for run.sh and test.sh: install what is missing, then configure and build.
# Sourced, not run. Usage: setup_build <build-dir> [extra cmake arguments...]
#                       setup_fuzz_build <build-dir>

PACKAGES=(cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev nettle-dev ser2net python3 python3-serial qt6-base-dev qt6-qpa-plugins xvfb openbox libcli11-dev pcsc-tools pcscd libpcsclite-dev python3-pyscard opensc)
# The fuzz build (./test.sh --fuzz) alone: clang, its fuzzing runtime, and llvm-symbolizer for
# readable stacks.
FUZZ_PACKAGES=(cmake make clang libclang-rt-14-dev llvm-14)

# Usage: install_missing_packages <package>...
install_missing_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get -o DPkg::Lock::Timeout=300 update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=300 install -y -q --no-install-recommends "${missing[@]}"
}

setup_build() {
  local dir=$1; shift
  install_missing_packages "${PACKAGES[@]}"
  cmake -S "$ROOT" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

# Only the driver's core and its fuzz targets, built with clang for libFuzzer.
setup_fuzz_build() {
  local dir=$1
  install_missing_packages "${FUZZ_PACKAGES[@]}"
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$dir" -DFUZZ=ON >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}
