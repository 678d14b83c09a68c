#!/usr/bin/env bash
# The carried firmware is one fact: a build given another firmware shows its date
# in the title, compares against its version and embeds it; a firmware without a
# well-formed description block stops the build with a message saying so.
#
#   tests/firmware/carried-build.sh <source tree> <hexgen program> <work folder>
set -euo pipefail
src=$1 hexgen=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
fail() { echo "carried-build: $*" >&2; exit 1; }

configure() {  # <build folder> <hex file>
  cmake -S "$src" -B "$1" -DCARRIED_FIRMWARE="$2" -DUPLOADER_BUILD_QT=OFF -DCMAKE_BUILD_TYPE=Release >"$1.log" 2>&1
}

"$hexgen" --version 230117 "$work/other.hex"
configure "$work/other" "$work/other.hex" || { cat "$work/other.log"; fail "the build refused a good firmware"; }
cmake --build "$work/other" -j "$(nproc)" --target carried_probe >"$work/other-build.log" 2>&1 ||
  { cat "$work/other-build.log"; fail "the probe did not build"; }
out=$("$work/other/tests/firmware/carried_probe" 230116 230117 230118)
echo "$out"
want="title: ZOR-5 Bootloader (від 17.01.23)
carried: 230117
embedded: 230117
230116: older
230117: already written
230118: newer"
[ "$out" = "$want" ] || fail "the build with firmware 230117 compiled other facts"

# A description block missing, and one whose version is no date.
sed 's/55AAAA55/55AAAA56/' "$work/other.hex" >"$work/nomarker.hex"
sed 's/55AAAA55323330313137/55AAAA55323331333137/' "$work/other.hex" >"$work/nodate.hex"
for bad in nomarker:"no description block" nodate:"version 231317 is no date"; do
  name=${bad%%:*} message=${bad#*:}
  if configure "$work/$name" "$work/$name.hex"; then fail "the build took $name.hex"; fi
  # CMake wraps its messages: the words, whatever the line breaks.
  tr -s ' \n' '  ' <"$work/$name.log" | grep -qF "$message" || { cat "$work/$name.log"; fail "$name.hex: no message \"$message\""; }
  echo "$name.hex: the build stops: $message"
done
rm -rf "$work"
