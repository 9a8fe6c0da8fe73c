#!/usr/bin/env bash
# The fuzzing stage: every harness of fuzz/ (one per door that untrusted bytes come
# through) built with clang's libFuzzer under AddressSanitizer and UBSan, and run for
# SECONDS each from its seed corpus in fuzz/corpus (default 20: the short run of CI; give
# 600 or more for a long run). What a run finds is kept in build-fuzz/findings/HARNESS/;
# the inputs it learned, in build-fuzz/corpus/HARNESS/ for the next run.
#   scripts/test-fuzz.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
dir=$root/build-fuzz
start=$(date +%s)

echo "Configuring $dir (clang, libFuzzer)" >&2
# The archiver is binutils' own: CMake would take llvm-ar for clang where the llvm package
# happens to be installed, and the list of install-deps.sh does not hold it.
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_AR="$(command -v ar)" -DCMAKE_RANLIB="$(command -v ranlib)" \
  -DKELVATRIX_SANITIZE=fuzzer -DKELVATRIX_WITH_QT=OFF -DKELVATRIX_BUILD_TESTS=OFF >/dev/null
cmake --build "$dir" -j2 >&2

status=0
for harness in "$dir"/fuzz/fuzz_*; do
  [ -x "$harness" ] || continue
  name=${harness##*/}
  corpus=$dir/corpus/$name
  findings=$dir/findings/$name
  mkdir -p "$corpus" "$findings"
  log=$dir/$name.log
  if "$harness" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$findings/" "$corpus" "$root/fuzz/corpus/$name" > "$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)
    echo "$name: ${runs:-?} runs in ${seconds} s, ${coverage:-cov: ?} points, corpus $(ls "$corpus" | wc -l)"
  else
    status=1
    echo "$name: FINDING (input kept in $findings):"
    grep -E 'ERROR|property does not hold|SUMMARY|Test unit written' "$log" | head -n 8 | sed 's/^/  /'
  fi
done
echo "fuzz stage: $(( $(date +%s) - start )) s"
exit $status
