#!/usr/bin/env bash
# Installs the Debian packages that building and every test suite need, only
# those missing; with --build, only what building the Linux program needs (the
# demo's set-up). Needs root (or sudo); runs apt-get update at most once.
set -euo pipefail

build_only=false
case ${1-} in
  --build) build_only=true ;;
  "") ;;
  *) echo "usage: install-deps.sh [--build]" >&2; exit 2 ;;
esac

# Building the Linux program: the compiler and cmake, lld (it orders the
# start-up code, data/startup-order.txt), and the static X archives below.
build_packages=(cmake g++ make lld)

test_packages=(
  # the suites themselves
  libgtest-dev
  # the dialog suites: a real X server, input, window properties, screenshots
  xvfb xauth xdotool x11-utils imagemagick
  # the Windows programs and their suites: the 64-bit Wine runs everywhere,
  # the 32-bit one where the machine executes 32-bit code
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 wine32:i386 fonts-wine file
  # checks
  clang-format clang-tidy cppcheck valgrind strace
  # the install tree and the packages: desktop entry, launch, manual, .deb
  desktop-file-utils libglib2.0-bin man-db groff-base lintian
  # the benchmark: what users would run instead of the program
  zenity python3
  # releases (scripts/release.sh, tests/release/): the arm64 cross build and
  # its run under qemu, the RPMs and their checks; the X archives follow below
  g++-aarch64-linux-gnu qemu-user-static rpm rpmlint cpio unzip
  # the X dialog's suite: outline core fonts the dialog scales, xrandr and xrdb
  xfonts-scalable gsfonts-x11 x11-xserver-utils
  # the desktop dialog suite: a session bus with its accessibility bus, read
  # as a screen reader does; KDE's dialog tool; a headless Wayland compositor
  dbus at-spi2-core python3-pyatspi kdialog weston
)

# Each static X archive the Linux program links (the foreach in
# cmake/linux.cmake) comes from a -dev package: libX11.a from libx11-dev,
# libxcb.a from libxcb1-dev. The tests also build the arm64 release, which
# needs them for arm64 as well.
x_libraries=$(sed -n 's/^ *foreach(lib \(.*\))$/\1/p' "$(dirname "$0")/../cmake/linux.cmake")
if [ -z "$x_libraries" ]; then
  echo "install-deps.sh: no X libraries found in cmake/linux.cmake" >&2
  exit 1
fi
for lib in $x_libraries; do
  case ${lib,,} in
    xcb) dev=libxcb1-dev ;;
    *) dev=lib${lib,,}-dev ;;
  esac
  build_packages+=("$dev")
  test_packages+=("$dev:arm64")
done

packages=("${build_packages[@]}")
$build_only || packages+=("${test_packages[@]}")

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
# Packages of another architecture (wine32:i386, the arm64 X archives) need
# it added to dpkg before the one apt-get update.
for arch in $(printf '%s\n' "${missing[@]}" | sed -n 's/.*:\([a-z0-9]*\)$/\1/p' | sort -u); do
  if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
    as_root dpkg --add-architecture "$arch"
  fi
done
as_root apt-get update -q
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
