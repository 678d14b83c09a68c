#!/usr/bin/env bash
# Everything a release hands out, in one folder (default: release/ in the checkout):
#
#   bash scripts/release.sh [output folder]
#
# the Debian package, the Windows zip and SHA256SUMS over them, from the commit
# checked out, built twice in two folders and compared byte for byte.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "release: the checkout has changes that are not committed; a release is built from a commit" >&2
  exit 1
fi
out=${1:-release}
commit=$(git rev-parse --short HEAD)
rm -rf "$out"
mkdir -p "$out"
bash scripts/reproducible.sh all "$out"
cd "$out"
sha256sum -- *.deb *.zip >SHA256SUMS
echo "release $commit in $PWD:"
for f in *; do printf '  %-45s %9s bytes  %s\n' "$f" "$(stat -c %s "$f")" "$(sha256sum "$f" | cut -c1-16)"; done
