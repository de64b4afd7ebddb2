# Shared by scripts/run and scripts/test: the Debian packages the client
# needs to build, test and run, and the build itself.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

PACKAGES=(
  g++ cmake make pkg-config
  libgtk-3-dev libsoup2.4-dev libjson-glib-dev libssl-dev libglib2.0-dev-bin
  libgtest-dev libxtst-dev libxrandr-dev libatspi2.0-dev at-spi2-core dbus
  glib-networking openssl
  xvfb xauth xdotool imagemagick fonts-noto-cjk
  freerdp2-x11 freerdp2-shadow-x11 virt-viewer qemu-system-x86
  dpkg-dev lintian appstream desktop-file-utils man-db gettext
  clang
)

# Installs whichever of the given packages are missing (with sudo when not
# root).
install_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# PACKAGES, then the sanitizer and fuzzer runtime of whichever clang this
# Debian release provides (libclang-rt-14-dev on Debian 12).
install_missing() {
  install_packages "${PACKAGES[@]}"
  local major
  major=$(clang --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -n 1)
  install_packages "libclang-rt-$major-dev"
}

# build DIR [cmake options...]
build() {
  local dir=$1
  shift
  cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}
