#!/usr/bin/env bash
# check-pe.sh <i686|x86_64> <program.exe>: the program is a PE of that machine
# and imports only DLLs that every Windows (7 and later) has.
set -euo pipefail
arch=$1
exe=$2
dump=$("$arch-w64-mingw32-objdump" -p "$exe")
case $arch in
  i686) want="file format pei-i386" ;;
  x86_64) want="file format pei-x86-64" ;;
esac
grep -q "$want" <<<"$dump" || { echo "$exe: not $want" >&2; exit 1; }
system='^(KERNEL32|USER32|GDI32|ADVAPI32|COMCTL32|COMDLG32|SHELL32|SHLWAPI|OLE32|OLEAUT32|GDIPLUS|WINDOWSCODECS|UXTHEME|WINMM|msvcrt|api-ms-win-.*)\.dll$'
bad=0
while read -r dll; do
  if ! grep -qiE "$system" <<<"$dll"; then
    echo "$exe imports $dll, which is no system DLL" >&2
    bad=1
  fi
done < <(sed -n 's/^\tDLL Name: //p' <<<"$dump")
((bad == 0))
echo "$exe: $want, $(stat -c %s "$exe") bytes, imports: $(sed -n 's/^\tDLL Name: //p' <<<"$dump" | tr '\n' ' ')"
