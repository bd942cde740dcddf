#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one.
#   scripts/fuzz.sh           a short smoke run of each target (as in CI)
#   scripts/fuzz.sh 600       each target for 600 seconds
# Crashes found are written to fuzz/crashes/; keep each as a regression case
# in fuzz/corpus/<target>/ once fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
scripts/install-deps.sh clang libclang-rt-14-dev
cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz --parallel
mkdir -p fuzz/crashes
for target in val path_file numeric_rule csv_line server_address pdf_check; do
  work=$(mktemp -d)
  cp -r "fuzz/corpus/$target/." "$work/"
  echo "== fuzz_$target: ${seconds}s"
  build-fuzz/fuzz_$target -max_total_time="$seconds" -max_len=8192 \
    -artifact_prefix=fuzz/crashes/ "$work" 2>&1 | grep -E '^(#[0-9]+ +DONE|Done|==[0-9]+==ERROR|SUMMARY)' || true
  rm -rf "$work"
  # A crash leaves an artifact and a non-zero status: stop here.
  if ls fuzz/crashes/crash-* fuzz/crashes/leak-* fuzz/crashes/timeout-* >/dev/null 2>&1; then
    echo "fuzz_$target found a failing input in fuzz/crashes/" >&2
    exit 1
  fi
done
