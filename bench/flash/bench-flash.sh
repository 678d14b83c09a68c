#!/usr/bin/env bash
# zor5-flash writing the carried firmware into 1, 4, 8 and 16 simulated devices
# at once, each at 115200 baud with the wire time emulated. All counts run in
# this one run, so the ratios compare like with like. Prints, per count: the
# wall time and its ratio to one port, the peak memory of the whole run (the
# program is one process: its threads share the one image) and the CPU per
# port as a share of the wall time.
#
#   bench/flash/bench-flash.sh [counts...]     (after scripts/test.sh built build/)
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
flash=$root/build/cli/zor5-flash
export DEVSIM=$root/build/tools/devsim/devsim
for f in "$flash" "$DEVSIM"; do [ -x "$f" ] || { echo "missing $f: build it first" >&2; exit 1; }; done
counts=("${@:-1 4 8 16}")
read -r -a counts <<<"${counts[*]}"

source scripts/wine-env.sh
export XDG_RUNTIME_DIR=$(mktemp -d)
chmod 700 "$XDG_RUNTIME_DIR"
DEVSIM_FOLDER=$XDG_RUNTIME_DIR/ostra-ports
mkdir -m 700 "$DEVSIM_FOLDER"
trap 'devsim_stop_all; rm -rf "$XDG_RUNTIME_DIR"' EXIT

one=
printf '%6s %10s %8s %10s %14s %14s %9s\n' ports wall_s ratio peak_MB cpu_per_port sim_cpu_total outcome
echo "(load before: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) cores)"
for n in "${counts[@]}"; do
  ports=()
  for i in $(seq "$n"); do
    devsim_start "bench$i" --baud 115200
    ports+=("bench$i")
  done
  # GNU time: wall seconds, user and system seconds, peak resident KB, exit code.
  rc=0
  /usr/bin/time -f '%e %U %S %M' -o "$XDG_RUNTIME_DIR/time" "$flash" write "${ports[@]}" \
    >"$XDG_RUNTIME_DIR/out-$n" 2>&1 || rc=$?
  read -r wall user sys peak <"$XDG_RUNTIME_DIR/time"
  # The simulators' own CPU (they share the machine with the program).
  sim_ticks=0
  for pid in "${DEVSIM_PIDS[@]}"; do
    sim_ticks=$((sim_ticks + $(awk '{print $14 + $15}' "/proc/$pid/stat")))
  done
  devsim_stop_all
  [ -n "$one" ] || one=$wall
  awk -v n="$n" -v w="$wall" -v one="$one" -v u="$user" -v s="$sys" -v m="$peak" -v rc="$rc" -v st="$sim_ticks" -v hz="$(getconf CLK_TCK)" 'BEGIN {
    printf "%6d %10.2f %7.3fx %10.1f %13.2f%% %13.1f%% %9s\n", n, w, w / one, m / 1024, 100 * (u + s) / n / w,
      100 * st / hz / w, rc == 0 ? "all ok" : "exit " rc
  }'
done
