#!/usr/bin/env bash
# The same Write, by the Linux program and by the Windows program under wine64,
# into the simulator with the wire time of 115200 baud; rounds alternate, each
# with a fresh device that holds the older firmware. Prints each write's time and
# failed attempts, and the ratios of the medians.
#
#   bench/write/compare.sh [rounds]      (after scripts/test.sh and scripts/test-windows.sh)
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
rounds=${1:-3}
linux=$root/build/bench/write/bench_write
windows=$root/build-win64/bench/write/bench_write.exe
export DEVSIM=$root/build/tools/devsim/devsim
for f in "$linux" "$windows" "$DEVSIM"; do [ -x "$f" ] || { echo "missing $f: build it first" >&2; exit 1; }; done

source scripts/wine-env.sh
wine_prefix "$root/build-win64/wineprefix"
export XDG_RUNTIME_DIR=$(mktemp -d)
chmod 700 "$XDG_RUNTIME_DIR"
DEVSIM_FOLDER=$XDG_RUNTIME_DIR/ostra-ports
mkdir -m 700 "$DEVSIM_FOLDER"
trap 'devsim_stop_all; wine_unmap_com COM9; wineserver -k 2>/dev/null; wine_display_stop; rm -rf "$XDG_RUNTIME_DIR"' EXIT
wine_map_com COM9 "$DEVSIM_FOLDER/benchdev"
wine_restart

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
ratio() { awk -v w="$1" -v l="$2" 'BEGIN {if (l > 0) printf "%.2f", w / l; else print "-"}'; }
lt=() wt=() lf=() wf=()
for r in $(seq "$rounds"); do
  devsim_start benchdev --baud 115200
  read -r ms failed < <("$linux" benchdev)
  lt+=("$ms") lf+=("$failed")
  devsim_stop benchdev
  devsim_start benchdev --baud 115200
  read -r ms failed < <(wine "$windows" COM9 | tr -d '\r')
  wt+=("$ms") wf+=("$failed")
  devsim_stop benchdev
  echo "round $r: Linux ${lt[-1]} ms, ${lf[-1]} failed attempts; Windows under wine ${wt[-1]} ms, ${wf[-1]} failed attempts"
done
lm=$(printf '%s\n' "${lt[@]}" | median)
wm=$(printf '%s\n' "${wt[@]}" | median)
lfm=$(printf '%s\n' "${lf[@]}" | median)
wfm=$(printf '%s\n' "${wf[@]}" | median)
echo "median time: Linux $lm ms, Windows under wine $wm ms, ratio $(ratio "$wm" "$lm")"
echo "median failed attempts per write: Linux $lfm, Windows under wine $wfm, ratio $(ratio "$wfm" "$lfm")"
# Few attempts fail on a quiet machine: their sums say more than the medians.
lfs=$(printf '%s\n' "${lf[@]}" | awk '{s += $1} END {print s}')
wfs=$(printf '%s\n' "${wf[@]}" | awk '{s += $1} END {print s}')
echo "failed attempts in all $rounds writes: Linux $lfs, Windows under wine $wfs, ratio $(ratio "$wfs" "$lfs")"
