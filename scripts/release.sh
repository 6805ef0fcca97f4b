#!/usr/bin/env bash
# Makes every release package from the checked-out commit:
#
#   scripts/release.sh OUTDIR
#
# OUTDIR gets the Debian packages and RPMs for x86-64 and arm64, a portable
# tarball for each, the Windows zip and SHA256SUMS over them. Two runs of the
# same commit give the same bytes, wherever the tree is and whenever they run:
# every time stamp is the commit's (SOURCE_DATE_EPOCH), every owner root, and
# no build path gets into a program. The builds go to fresh build/release-*
# directories; the developer's own build trees are left alone.
# KESTRABIN_RELEASE_DIRTY=1 builds a tree with uncommitted changes anyway.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 OUTDIR" >&2
  exit 2
fi
mkdir -p "$1"
outdir=$(cd "$1" && pwd)
cd "$(dirname "$0")/.."

if [ -n "$(git status --porcelain --untracked-files=no)" ] &&
   [ "${KESTRABIN_RELEASE_DIRTY:-}" != 1 ]; then
  echo "release.sh: the tree has uncommitted changes; a release is made from a commit" >&2
  echo "(KESTRABIN_RELEASE_DIRTY=1 builds it anyway, stamped with the last commit's time)" >&2
  exit 2
fi

# Whatever the caller's settings: the zip keeps local times and a staged
# folder's mode follows the umask.
export SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export TZ=UTC LC_ALL=C
umask 022
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}

arches=(x86_64 aarch64)
rm -rf build/release-x86_64 build/release-aarch64 build/release-win32 build/release-stage
for preset in "${arches[@]/#/release-}" release-win32; do
  echo "=== $preset"
  cmake --workflow --preset "$preset" --fresh
done

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' build/release-x86_64/CPackConfig.cmake)
[ -n "$version" ] || { echo "release.sh: no version in CPackConfig.cmake" >&2; exit 1; }

# The right machine and no shared library, for each Linux program.
declare -A machine=([x86_64]=x86-64 [aarch64]=aarch64)
for arch in "${arches[@]}"; do
  info=$(file -b build/release-$arch/kestrabin)
  case $info in
    *"${machine[$arch]}"*"statically linked"*) ;;
    *) echo "release.sh: build/release-$arch/kestrabin: $info" >&2; exit 1 ;;
  esac
done

# A portable tarball per architecture: a plain install, stripped, laid out as
# under a prefix (bin/, share/), with a README saying where to copy it and the licence.
portable_tarball() {
  local arch=$1 name=kestrabin-$version-linux-$1
  local stage=$PWD/build/release-stage/$name
  DESTDIR=$stage cmake --install build/release-$arch --prefix / --strip >/dev/null
  cp packaging/portable/README "$stage/README"
  cp LICENSE "$stage/LICENSE"
  tar -C build/release-stage --sort=name --format=gnu --mtime="@$SOURCE_DATE_EPOCH" \
      --owner=0 --group=0 --numeric-owner --mode=u+rwX,go+rX,go-w -cf - "$name" |
    gzip -9n >"$outdir/$name.tar.gz"
}

# CPack's zip records the builder's user and group, and local times: the
# same entries again, with the commit's time and no owner.
normalized_zip() {
  python3 - "$1" "$2" <<'EOF'
import os, sys, time, zipfile
stamp = time.gmtime(int(os.environ["SOURCE_DATE_EPOCH"]))[:6]
with zipfile.ZipFile(sys.argv[1]) as src, zipfile.ZipFile(sys.argv[2], "w") as out:
    for entry in src.infolist():
        info = zipfile.ZipInfo(entry.filename, date_time=stamp)
        info.create_system = 3  # Unix, so that the modes below count
        info.external_attr = entry.external_attr & 0xFFFF0010
        info.compress_type = zipfile.ZIP_STORED if entry.is_dir() else zipfile.ZIP_DEFLATED
        out.writestr(info, src.read(entry), compresslevel=9)
EOF
}

echo "=== packages in $outdir"
files=()
for arch in "${arches[@]}"; do
  for package in build/release-$arch/packages/*.deb build/release-$arch/packages/*.rpm; do
    cp "$package" "$outdir/"
    files+=("$(basename "$package")")
  done
  portable_tarball "$arch"
  files+=("kestrabin-$version-linux-$arch.tar.gz")
done
zip=kestrabin-$version-win32.zip
normalized_zip "build/release-win32/packages/$zip" "$outdir/$zip"
files+=("$zip")

# Nothing names the tree it was built in (the programs are in the packages
# compressed, so they are read here, as built and as installed).
if grep -rlF "$PWD" build/release-x86_64/kestrabin build/release-aarch64/kestrabin \
     build/release-win32/kestrabin.exe build/release-stage; then
  echo "release.sh: the files above hold the build path $PWD" >&2
  exit 1
fi

(cd "$outdir" && sha256sum -- $(printf '%s\n' "${files[@]}" | sort) >SHA256SUMS)
cat "$outdir/SHA256SUMS"
