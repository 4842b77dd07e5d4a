#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one.
#   tools/fuzz.sh                 replay every corpus once (a regression check)
#   tools/fuzz.sh SECONDS [NAME]  fuzz NAME (default host_data) for SECONDS,
#                                 adding what it finds to a scratch copy of
#                                 the corpus in build-fuzz/corpus-NAME
set -euo pipefail
cd "$(dirname "$0")/.."
CXX=clang++ cmake -G Ninja -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMARL_FUZZ=ON \
  -DMARL_TESTS=OFF -DMARL_WERROR=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)"
if [ $# -eq 0 ]; then
  for dir in fuzz/corpus/*/; do
    name=$(basename "$dir")
    ./build-fuzz/fuzz/"${name}"_fuzz -runs=0 "$dir"
    echo "fuzz corpus ${name}: replayed"
  done
  exit 0
fi
name=${2:-host_data}
work=build-fuzz/corpus-$name
mkdir -p "$work"
cp -n fuzz/corpus/"$name"/* "$work"/ 2>/dev/null || true
./build-fuzz/fuzz/"${name}"_fuzz -max_total_time="$1" -max_len=9000 -print_final_stats=1 \
  -artifact_prefix=build-fuzz/ "$work"
