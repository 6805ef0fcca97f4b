#!/usr/bin/env bash
# Installs the Debian packages that building and every test suite need, only
# those missing. Needs root (or sudo); runs apt-get update at most once.
set -euo pipefail

packages=(
  # build
  cmake g++ make libgtest-dev libx11-dev libxcb1-dev libxau-dev libxdmcp-dev
  # the dialog suites: a real X server, input, window properties, screenshots
  xvfb xauth xdotool x11-utils imagemagick
  # the Windows program and its suites
  g++-mingw-w64-i686 wine wine32:i386 fonts-wine file
  # checks
  clang-format clang-tidy cppcheck valgrind strace
  # the install tree and the packages: desktop entry, launch, manual, .deb
  desktop-file-utils libglib2.0-bin man-db groff-base lintian
  # linking: lld orders the start-up code (cmake/startup-order.txt)
  lld
  # the benchmark: what users would run instead of the program
  zenity python3
  # the X dialog: RandR monitors (static archives), outline core fonts the
  # dialog scales, and xrandr and xrdb for its suite
  libxrandr-dev libxrender-dev libxext-dev xfonts-scalable gsfonts-x11 x11-xserver-utils
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
   ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
fi
as_root apt-get update -q
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
