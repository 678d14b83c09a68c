#!/usr/bin/env bash
# The same commit gives the same bytes:
#
#   scripts/reproducible.sh <all|uploader-win32> <output folder>
#
# builds the part twice with scripts/release-build.sh, from two copies of the
# committed source in folders of different names and depths, fails unless every
# output is byte-identical, and leaves the first build's outputs in the folder.
set -euo pipefail
cd "$(dirname "$0")/.."
part=${1:?all or uploader-win32}
mkdir -p "${2:?output folder}"
out=$(cd "$2" && pwd)
export SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
trees=("$work/one/src" "$work/second/deeper/source")
for tree in "${trees[@]}"; do
  mkdir -p "$tree"
  git archive HEAD | tar -x -C "$tree"
  bash scripts/release-build.sh "$tree" "$tree.out" "$part"
done
sums() { (cd "$1" && find . -type f | LC_ALL=C sort | xargs sha256sum); }
if ! diff <(sums "${trees[0]}.out") <(sums "${trees[1]}.out") >"$work/diff"; then
  echo "reproducible: two builds of $(git rev-parse --short HEAD) differ:" >&2
  cat "$work/diff" >&2
  exit 1
fi
echo "reproducible: $part built twice, the same bytes:"
sums "${trees[0]}.out" | sed 's/^/  /'
cp "${trees[0]}.out"/* "$out/"
