# Shared by scripts/run and scripts/test: install what is missing, then configure and build.
# shellcheck shell=bash

TESSEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Debian packages the build and the test suite need.
TESSEL_BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev libgtest-dev libgmock-dev libcli11-dev
  nlohmann-json3-dev libisal-dev libarchive-dev qt6-multimedia-dev qt6-image-formats-plugins
  libfuse3-dev fuse3)

say() { printf '==> %s\n' "$*" >&2; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    say "installing packages needs root: run this as root or install sudo"
    exit 1
  fi
}

# Installs only the packages that are not installed yet.
install_packages() {
  local missing=()
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  if [ "${#missing[@]}" -eq 0 ]; then
    return 0
  fi
  say "installing ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# What the end-to-end tests need: a virtual display, a window manager, a file manager to
# drag to and from, the tools that drive them, and the session and accessibility buses with
# Python's AT-SPI bindings that read the window as a screen reader does.
TESSEL_E2E_PACKAGES=(xvfb x11-utils xdotool openbox pcmanfm imagemagick dbus at-spi2-core python3-pyatspi
  weston qt6-wayland)

# configure_and_build BUILD_DIR [cmake options...]
# A build folder is configured anew, from an empty cache, whenever its options or compilers
# differ from those it was configured with: cmake would otherwise keep old cached values.
configure_and_build() {
  local dir=$1
  shift
  local wanted stamp="$dir/.tessel-configured-with"
  wanted="$* CC=${CC:-} CXX=${CXX:-} TESSEL_WERROR=${TESSEL_WERROR:-OFF}"
  if [ ! -f "$dir/CMakeCache.txt" ] || [ "$(cat "$stamp" 2>/dev/null)" != "$wanted" ]; then
    say "configuring $dir"
    rm -f "$dir/CMakeCache.txt"
    cmake -S "$TESSEL_ROOT" -B "$dir" -G Ninja -DTESSEL_WERROR="${TESSEL_WERROR:-OFF}" "$@" >/dev/null
    printf '%s' "$wanted" >"$stamp"
  fi
  say "building $dir"
  cmake --build "$dir" --parallel "$(nproc)"
}
