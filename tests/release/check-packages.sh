#!/usr/bin/env bash
# Checks what scripts/release.sh made: tests/release/check-packages.sh OUTDIR
#   - SHA256SUMS lists every package and matches it;
#   - per architecture, the Debian package, the RPM and the tarball hold the
#     same files and the same program, built for that machine, with no build
#     path in it; owners are root;
#   - Debian packages: control fields, lintian; the amd64 one installed with
#     dpkg -i and removed again (tests/install/check-deb.sh; root only);
#   - RPMs: rpm -K, header fields, the file list, rpmlint without errors;
#   - tarballs: copied into a scratch prefix as their README says, where the
#     program patches a movie (the arm64 one under qemu);
#   - the arm64 program passes the outcome suite under qemu (tests/release/);
#   - the zip: its contents, and no time stamp in the Windows program.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
out=$(cd "$1" && pwd)
cd "$(dirname "$0")/../.."
src=$PWD
scratch=$src/build/release-check
sample=$src/samples/hello.swf
rm -rf "$scratch"
mkdir -p "$scratch"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

(cd "$out" && sha256sum --quiet -c SHA256SUMS) && ok "SHA256SUMS" || fail "SHA256SUMS does not match"
deb_amd64=$(cd "$out" && ls kestrabin_*_amd64.deb)
version=${deb_amd64#kestrabin_}
version=${version%_amd64.deb}
epoch=$(git log -1 --format=%ct)

expected_packages=(
  "kestrabin_${version}_amd64.deb" "kestrabin_${version}_arm64.deb"
  "kestrabin-${version}-1.x86_64.rpm" "kestrabin-${version}-1.aarch64.rpm"
  "kestrabin-${version}-linux-x86_64.tar.gz" "kestrabin-${version}-linux-aarch64.tar.gz"
  "kestrabin-${version}-win32.zip")
diff <(printf '%s\n' "${expected_packages[@]}" | sort) <(awk '{print $2}' "$out/SHA256SUMS") &&
  ok "SHA256SUMS lists every package" || fail "SHA256SUMS lists other packages"

# Runs the program on a copy of the sample as a caller with no display and no
# terminal would (the notice has nowhere to go); the movie must come back
# with byte 3 set to 9 and every other byte as it was.
check_patches() {
  local what=$1 movie=$2
  shift 2
  cp "$sample" "$movie"
  local status=0
  setsid -w env -i PATH=/usr/bin:/bin LC_ALL=C "$@" "$movie" </dev/null >"$movie.out" 2>&1 ||
    status=$?
  if [ "$status" -ne 0 ]; then
    fail "$what: status $status: $(cat "$movie.out")"
  elif [ "$(od -An -tx1 -j3 -N1 "$movie" | tr -d ' ')" != 09 ]; then
    fail "$what: the version byte is not 9"
  elif ! cmp -s <(head -c 3 "$sample"; tail -c +5 "$sample") <(head -c 3 "$movie"; tail -c +5 "$movie"); then
    fail "$what: other bytes changed"
  else
    ok "$what patches a movie"
  fi
}

# The files under the prefix each package installs to, without folders.
deb_files() { dpkg-deb --fsys-tarfile "$1" | tar -t | grep -v '/$' | sed 's|^\./usr/||' | sort; }
rpm_files() { rpm -qp --qf '[%{FILEMODES:perms} %{FILENAMES}\n]' "$1" | grep -v '^d' | sed 's|^.* /usr/||' | sort; }
tar_files() { tar -tzf "$1" | grep -v '/$' | sed 's|^[^/]*/||' | sort; }

check_linux() {
  local arch=$1 deb_arch=$2 machine=$3
  local deb=$out/kestrabin_${version}_${deb_arch}.deb
  local rpm=$out/kestrabin-${version}-1.${arch}.rpm
  local tarball=$out/kestrabin-${version}-linux-${arch}.tar.gz
  local dir=$scratch/$arch
  mkdir -p "$dir"

  # Debian package: control fields; everything root's; lintian.
  local field
  for field in Package=kestrabin "Version=$version" "Architecture=$deb_arch" Depends= \
               "Recommends=zenity | kdialog"; do
    [ "$(dpkg-deb --field "$deb" "${field%%=*}")" = "${field#*=}" ] || fail "$deb: not $field"
  done
  [ -z "$(dpkg-deb -c "$deb" | awk '$2 != "root/root"')" ] || fail "$deb: an owner is not root"
  lintian --fail-on error --display-level '>=pedantic' "$deb" && ok "lintian $(basename "$deb")" ||
    fail "lintian $(basename "$deb")"

  # RPM: digests, header, everything root's, rpmlint.
  rpm -K --nosignature "$rpm" && ok "rpm -K $(basename "$rpm")" || fail "rpm -K $(basename "$rpm")"
  local header
  header=$(rpm -qp --qf '%{NAME} %{VERSION} %{ARCH} %{BUILDHOST} %{BUILDTIME}' "$rpm")
  [ "$header" = "kestrabin $version $arch reproducible $epoch" ] || fail "$rpm: header: $header"
  # MIT, and the desktop's dialog as a weak relation.
  header=$(rpm -qp --qf '%{LICENSE}' "$rpm"; echo; rpm -qp --recommends "$rpm")
  [ "$header" = "$(printf 'MIT\n(zenity or kdialog)')" ] || fail "$rpm: licence and recommends: $header"
  [ -z "$(rpm -qp --qf '[%{FILEUSERNAME}:%{FILEGROUPNAME}\n]' "$rpm" | grep -vx root:root)" ] ||
    fail "$rpm: an owner is not root"
  rpm -qlp "$rpm" >"$dir/rpm-list" || fail "rpm -qlp $rpm"
  rpmlint -c packaging/linux/rpmlint.toml "$rpm" && ok "rpmlint $(basename "$rpm")" ||
    fail "rpmlint $(basename "$rpm")"

  # Tarball: one folder named as the file, owned by root, holding a README
  # and the licence.
  local top=kestrabin-${version}-linux-${arch}
  [ -z "$(tar -tvzf "$tarball" | awk '$2 != "0/0"')" ] || fail "$tarball: an owner is not 0/0"
  [ -z "$(tar -tzf "$tarball" | grep -v "^$top/")" ] || fail "$tarball: entries outside $top/"

  # The same files in all three, the Debian package adding only its lintian
  # override and the tarball its README and LICENSE; the essentials among them.
  deb_files "$deb" | grep -vx share/lintian/overrides/kestrabin >"$dir/deb-files"
  rpm_files "$rpm" >"$dir/rpm-files"
  tar_files "$tarball" | grep -vx -e README -e LICENSE >"$dir/tar-files"
  tar -xzOf "$tarball" "$top/LICENSE" | cmp -s - "$src/LICENSE" || fail "$tarball: no LICENSE as the project's"
  diff -u "$dir/deb-files" "$dir/rpm-files" || fail "$arch: the .deb and the RPM hold different files"
  diff -u "$dir/deb-files" "$dir/tar-files" || fail "$arch: the .deb and the tarball hold different files"
  local file
  for file in bin/kestrabin share/man/man1/kestrabin.1.gz share/applications/kestrabin.desktop \
              share/icons/hicolor/scalable/apps/kestrabin.svg share/icons/hicolor/48x48/apps/kestrabin.png \
              share/kio/servicemenus/kestrabin.desktop share/nemo/actions/kestrabin.nemo_action; do
    grep -qx "$file" "$dir/tar-files" || fail "$arch: no $file"
  done

  # The same program in all three: stripped, static, for this machine, and
  # naming no build directory.
  mkdir -p "$dir/deb" "$dir/rpm" "$dir/prefix"
  dpkg-deb -x "$deb" "$dir/deb"
  (cd "$dir/rpm" && rpm2cpio "$rpm" | cpio -idm --quiet)
  tar -xzf "$tarball" -C "$dir"
  local program=$dir/deb/usr/bin/kestrabin
  cmp "$program" "$dir/rpm/usr/bin/kestrabin" || fail "$arch: the RPM's program differs from the .deb's"
  cmp "$program" "$dir/$top/bin/kestrabin" || fail "$arch: the tarball's program differs from the .deb's"
  case $(file -b "$program") in
    *"$machine"*"statically linked"*stripped) ;;
    *) fail "$arch: $(file -b "$program")" ;;
  esac
  if strings -a "$program" | grep -E "build/|$src"; then
    fail "$arch: the program names a build path"
  fi

  # The tarball as its README says: bin and share copied into a prefix.
  (cd "$dir/$top" && cp -r bin share "$dir/prefix/")
  if [ "$arch" = aarch64 ]; then
    check_patches "the arm64 tarball's program (qemu)" "$dir/movie.swf" \
      "$(command -v qemu-aarch64-static)" "$dir/prefix/bin/kestrabin"
  else
    check_patches "the x86-64 tarball's program" "$dir/movie.swf" "$dir/prefix/bin/kestrabin"
  fi
}

check_linux x86_64 amd64 x86-64
check_linux aarch64 arm64 "ARM aarch64"

# dpkg -i, the launcher, the manual page and dpkg -r, as for the developer's package.
status=0
tests/install/check-deb.sh "$out/$deb_amd64" "$scratch/unused" "$version" "$sample" install \
  "$scratch/deb-install" || status=$?
case $status in
  0) ;;
  77) echo "note: dpkg -i of $deb_amd64 skipped (see above)" ;;
  *) fail "dpkg -i / dpkg -r of $deb_amd64" ;;
esac

# The arm64 program from the tarball against the whole outcome table.
cmake -S tests/release -B "$scratch/qemu" \
  -DKESTRABIN_AARCH64_PROGRAM="$scratch/aarch64/prefix/bin/kestrabin" \
  -DKESTRABIN_GENERATED="$src/build/release-aarch64/generated" >/dev/null &&
  cmake --build "$scratch/qemu" >/dev/null &&
  ctest --test-dir "$scratch/qemu" --output-on-failure -j "$(nproc)" | tail -n 3 ||
  fail "the outcome suite under qemu"

# The zip: its folder; no time stamp in the program's header or resources.
zip=$out/kestrabin-${version}-win32.zip
cmake -DZIP="$zip" -DPROGRAM="$src/build/release-win32/kestrabin.exe" \
  -DREADME="$src/packaging/windows/README.txt" -DLICENSE="$src/LICENSE" -DSCRATCH="$scratch/zip" \
  -P tests/install/check-zip.cmake || fail "the zip"
stamps=$(i686-w64-mingw32-objdump -p "$scratch/zip/kestrabin-${version}-win32/kestrabin.exe" |
         grep -E 'Time/Date|Time: ')
[ -n "$stamps" ] || fail "objdump shows no time stamps to check"
if grep -vE 'Time/Date[[:space:]]+Thu Jan  1 00:00:00 1970|Time: 00000000' <<<"$stamps"; then
  fail "kestrabin.exe has a time stamp"
else
  ok "kestrabin.exe: no time stamp ($(wc -l <<<"$stamps") places)"
fi
# A zip keeps times to the even second.
stamp=$(date -u -d "@$((epoch / 2 * 2))" +%Y%m%d.%H%M%S)
[ -z "$(zipinfo -T "$zip" | awk -v stamp="$stamp" '$1 ~ /^[-d]/ && $7 != stamp')" ] ||
  fail "the zip's entries are not stamped with the commit's time"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all release packages check out"
