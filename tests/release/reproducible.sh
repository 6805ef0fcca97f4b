#!/usr/bin/env bash
# Makes the release twice and compares: two clones of the current commit at
# different paths, built one after the other (so at different times, with
# different checkout times) and with different umask, time zone and locale,
# must give the same SHA256SUMS. Then checks the packages themselves
# (check-packages.sh). Everything goes to build/release-repro/.
#   tests/release/reproducible.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
src=$PWD
work=$src/build/release-repro
commit=$(git rev-parse HEAD)
rm -rf "$work"
mkdir -p "$work"
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "note: uncommitted changes are not part of this check: both clones are of $commit"
fi

# release CLONE OUTDIR [VAR=VALUE...]: a fresh clone of the commit, released.
release() {
  local clone=$1 outdir=$2
  shift 2
  git clone -q --no-hardlinks "$src" "$clone"
  git -C "$clone" checkout -q --detach "$commit"
  local start=$SECONDS
  (cd "$clone" && env "$@" scripts/release.sh "$outdir") >"$outdir.log" 2>&1 ||
    { tail -n 40 "$outdir.log"; echo "FAIL: scripts/release.sh in $clone (log: $outdir.log)" >&2; exit 1; }
  echo "$(date -u +%H:%M:%S) released in $clone: $((SECONDS - start)) s"
}

release "$work/a/kestrabin" "$work/out-a" TZ=UTC LC_ALL=C
# Another second at least, so that nothing can share the first run's times.
sleep 2
(umask 0002 && release "$work/second-clone/in/a/deeper/path/kestrabin" "$work/out-b" \
   TZ=Pacific/Chatham LC_ALL=C.UTF-8)

echo "--- first run"
cat "$work/out-a/SHA256SUMS"
if ! cmp -s "$work/out-a/SHA256SUMS" "$work/out-b/SHA256SUMS"; then
  echo "--- second run"
  cat "$work/out-b/SHA256SUMS"
  for file in $(awk '{print $2}' "$work/out-a/SHA256SUMS"); do
    cmp "$work/out-a/$file" "$work/out-b/$file" || true
    if command -v diffoscope >/dev/null; then
      diffoscope "$work/out-a/$file" "$work/out-b/$file" | head -n 60 || true
    fi
  done
  echo "FAIL: two builds of $commit differ" >&2
  exit 1
fi
echo "ok: two builds of $commit are identical"

"$work/a/kestrabin/tests/release/check-packages.sh" "$work/out-a"
