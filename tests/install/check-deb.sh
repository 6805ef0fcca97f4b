#!/usr/bin/env bash
# Checks the Debian package: check-deb.sh DEB INSTALL_ROOT VERSION SAMPLE_SWF
# CHECK SCRATCH, where CHECK is one of
#   contents  control fields, the file list against a plain install, owners and
#             modes, and the unpacked program patching a movie;
#   lintian   no errors (every tag is printed, warnings included);
#   install   dpkg -i puts kestrabin on PATH and its launcher in the desktop's
#             applications, never as the default for a SWF movie; dpkg -r takes
#             it all away again. Needs root and no kestrabin package installed
#             already (77: skipped).
#   recommends
#             in a throwaway copy of this system without zenity or kdialog,
#             `apt-get install ./DEB` brings zenity in, and leaves it out with
#             --no-install-recommends. Needs root and Debian's archive (77:
#             skipped without root).
set -euo pipefail
deb=$1 root=$2 version=$3 sample=$4 check=$5 scratch=$6

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$scratch"
mkdir -p "$scratch"

# Runs a program as a desktop-less, terminal-less caller would: the notice has
# nowhere to go, so the run ends at once with its status.
run_detached() {
  setsid -w env -i PATH=/usr/bin:/bin LC_ALL=C "$@" </dev/null
}

version_byte() { od -An -tx1 -j3 -N1 "$1" | tr -d ' '; }

# The movie was patched by `who`: byte 3 is 9, every other byte the sample's.
check_movie_patched() {
  local who=$1 movie=$2
  [ "$(version_byte "$movie")" = 09 ] || fail "$who left the version byte"
  cmp -s <(tail -c +5 "$sample") <(tail -c +5 "$movie") || fail "$who changed other bytes"
}

# Patches a copy of the sample movie with `program` and checks the result.
check_patches() {
  local program=$1 movie=$scratch/movie.swf
  cp "$sample" "$movie"
  local status=0 out
  out=$(run_detached "$program" "$movie" 2>"$scratch/err") || status=$?
  [ "$status" -eq 0 ] || fail "$program: status $status, stderr: $(cat "$scratch/err")"
  check_movie_patched "$program" "$movie"
  case $out in *"(original swf version="*") update version 9") ;; *) fail "stdout: $out" ;; esac
}

# A new user's desktop session on this system: an empty home, the system's
# applications and types only, no display and no terminal.
in_fresh_session() {
  local home=$scratch/home
  mkdir -p "$home"
  run_detached env HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
    XDG_CACHE_HOME="$home/cache" "$@"
}

# A double-click opens a movie with its type's default application, which must
# never be the program; dropping a movie onto the launcher must still patch it.
check_installed_launcher() {
  local type out
  for type in application/x-shockwave-flash application/vnd.adobe.flash.movie; do
    out=$(in_fresh_session gio mime "$type") || fail "gio mime $type"
    case $(head -n 1 <<<"$out") in *kestrabin*) fail "the default for $type: $out" ;; esac
  done

  local movie=$scratch/dropped.swf
  cp "$sample" "$movie"
  in_fresh_session gio launch /usr/share/applications/kestrabin.desktop "$movie" ||
    fail "gio launch"
  # gio returns once the program has started; with no notice to show it ends
  # at once, but give a loaded machine some seconds.
  local tries=0
  while [ "$(version_byte "$movie")" != 09 ] && [ $((tries += 1)) -le 100 ]; do sleep 0.1; done
  check_movie_patched "the launcher" "$movie"
}

field() { dpkg-deb --field "$deb" "$1"; }

check_contents() {
  [ "$(field Package)" = kestrabin ] || fail "Package: $(field Package)"
  [ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
  [ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture"
  [ -z "$(field Depends)" ] || fail "a static program needs no Depends: $(field Depends)"
  # The accessible notice is one package away, but not forced on a minimal system.
  [ "$(field Recommends)" = "zenity | kdialog" ] || fail "Recommends: $(field Recommends)"
  # The licence, in Debian's machine-readable form.
  dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/kestrabin/copyright |
    grep -qx "License: Expat" || fail "the copyright file names no licence"

  # The package holds what a plain install does, under /usr, but the desktop
  # cache (dpkg's triggers make that), and the override that says the static
  # program is meant to be static.
  diff -u <( (cd "$root" && find . -type f -o -type l | sed 's|^\./|./usr/|' |
              grep -vx ./usr/share/applications/mimeinfo.cache
              echo ./usr/share/lintian/overrides/kestrabin) | sort) \
          <(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sort) ||
    fail "file list differs from the install tree"

  # owner/group, and modes: directories and the program 755, the rest 644.
  local bad
  bad=$(dpkg-deb -c "$deb" | awk '
    $2 != "root/root" { print "owner", $0 }
    /^d/ && $1 != "drwxr-xr-x" { print "mode", $0 }
    /^-/ && $6 == "./usr/bin/kestrabin" && $1 != "-rwxr-xr-x" { print "mode", $0 }
    /^-/ && $6 != "./usr/bin/kestrabin" && $1 != "-rw-r--r--" { print "mode", $0 }')
  [ -z "$bad" ] || fail "$bad"

  dpkg-deb -x "$deb" "$scratch/unpacked"
  local program=$scratch/unpacked/usr/bin/kestrabin
  ! readelf -S "$program" | grep -qE '\.symtab|\.comment' || fail "the program is not stripped"
  check_patches "$program"
}

# Every tag down to pedantic is printed; overridden ones are not (lintian
# counts those towards --fail-on when it shows them).
check_lintian() {
  lintian --fail-on error --display-level '>=pedantic' "$deb"
}

check_install() {
  [ "$(id -u)" -eq 0 ] || { echo "skipped: dpkg -i needs root"; exit 77; }
  if dpkg-query -W -f='${Status}' kestrabin 2>/dev/null | grep -q installed; then
    echo "skipped: a kestrabin package is installed already; leaving it alone"
    exit 77
  fi
  trap 'dpkg -r kestrabin >/dev/null 2>&1 || true' EXIT
  dpkg -i "$deb"
  [ "$(PATH=/usr/bin:/bin command -v kestrabin)" = /usr/bin/kestrabin ] || fail "not on PATH"
  check_patches kestrabin
  check_installed_launcher
  # Slim container images tell dpkg to leave manual pages out.
  if grep -qs '^path-exclude=/usr/share/man/' /etc/dpkg/dpkg.cfg.d/*; then
    echo "note: dpkg is set to leave out manual pages here; man -w not checked"
  else
    [ "$(man -w kestrabin)" = /usr/share/man/man1/kestrabin.1.gz ] || fail "man -w kestrabin"
  fi
  dpkg -r kestrabin
  trap - EXIT
  [ ! -e /usr/bin/kestrabin ] || fail "dpkg -r left /usr/bin/kestrabin"
  [ ! -e /usr/share/applications/kestrabin.desktop ] || fail "dpkg -r left the desktop entry"
}

# Runs a shell script as root in a copy of this system: / under an overlay
# whose changes stay in memory, in a mount namespace of its own, so nothing
# the script installs or removes reaches the real system. The package is at
# /kestrabin-check/kestrabin.deb there.
in_system_copy() {
  local layer=$scratch/layer
  mkdir -p "$layer" "$scratch/package"
  cp "$deb" "$scratch/package/kestrabin.deb"
  unshare --mount --propagation private bash -euo pipefail -c '
    layer=$1 package=$2 script=$3
    mount -t tmpfs kestrabin-check "$layer"
    mkdir "$layer/upper" "$layer/work" "$layer/root"
    mount -t overlay kestrabin-check -o "lowerdir=/,upperdir=$layer/upper,workdir=$layer/work" \
      "$layer/root"
    copy=$layer/root
    mount -t proc proc "$copy/proc"
    mount --rbind /dev "$copy/dev"
    mount -t tmpfs tmpfs "$copy/tmp"
    mkdir "$copy/kestrabin-check"
    mount --bind "$package" "$copy/kestrabin-check"
    exec chroot "$copy" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LC_ALL=C \
      DEBIAN_FRONTEND=noninteractive bash -euo pipefail -c "$script"
  ' check "$layer" "$scratch/package" "$1"
}

check_recommends() {
  [ "$(id -u)" -eq 0 ] || { echo "skipped: apt-get install needs root"; exit 77; }
  in_system_copy '
    installed() { dpkg-query -W -f="\${Status}" "$1" 2>/dev/null | grep -q "install ok installed"; }
    fail() { echo "FAIL: $*" >&2; exit 1; }
    apt="apt-get -q -y -o Dpkg::Use-Pty=0"
    # A desktop without the accessible dialog; package lists as of now.
    $apt purge zenity kdialog >/dev/null
    ! installed zenity && ! installed kdialog || fail "zenity or kdialog is still installed"
    $apt update >/dev/null

    # A minimal system may leave the dialog out: the relation is weak.
    $apt install --no-install-recommends ./kestrabin-check/kestrabin.deb
    installed kestrabin || fail "kestrabin not installed"
    ! installed zenity || fail "zenity came in with --no-install-recommends: not a weak relation"
    $apt purge kestrabin >/dev/null

    # A plain install brings it.
    $apt install ./kestrabin-check/kestrabin.deb
    installed kestrabin || fail "kestrabin not installed"
    installed zenity || fail "apt install left zenity out"
  '
}

"check_$check"
echo "ok: $check"
