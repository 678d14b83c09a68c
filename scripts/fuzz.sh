#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) in build-fuzz/ and
# runs each for the given seconds (default 60), side by side, from the seed
# corpora in fuzz/corpus/ plus what earlier runs kept in build-fuzz/corpus/.
# Prints executions, executions per second, coverage and findings per target;
# fails when a target found anything (the input is kept in build-fuzz/findings/).
#   bash scripts/fuzz.sh [seconds] [target...]     targets: hex replies frames
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh clang libclang-rt-14-dev  # ThreadSanitizer and libFuzzer runtimes
seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(hex replies frames)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DUPLOADER_FUZZ=ON \
  -DUPLOADER_BUILD_QT=OFF -DUPLOADER_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

# The targets run side by side, each for its seconds.
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t" "build-fuzz/findings/$t"
  (
    status=0
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      "build-fuzz/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=60 -print_final_stats=1 \
      -artifact_prefix="build-fuzz/findings/$t/" "build-fuzz/corpus/$t" "fuzz/corpus/$t" >"build-fuzz/fuzz-$t.log" 2>&1 ||
      status=$?
    echo "$status" >"build-fuzz/fuzz-$t.status"
  ) &
done
wait

failed=0
printf '%-8s %12s %10s %8s %8s %9s\n' target executions exec/s cov ft findings
for t in "${targets[@]}"; do
  findings=build-fuzz/findings/$t
  log=build-fuzz/fuzz-$t.log
  status=$(cat "build-fuzz/fuzz-$t.status")
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  found=$(find "$findings" -type f | wc -l)
  printf '%-8s %12s %10s %8s %8s %9s\n' "$t" "${runs:-?}" "${rate:-?}" "${cov:-?}" "${ft:-?}" "$found"
  if ((status != 0 || found != 0)); then
    failed=1
    echo "fuzz_$t: exit $status; see $log" >&2
    grep -m5 -E 'ERROR|finding:|runtime error' "$log" >&2 || true
  fi
done
exit $failed
