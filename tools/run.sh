#!/usr/bin/env bash
# Builds marlsim and starts it; arguments after -- go to marlsim.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
cmake -G Ninja -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
[ "${1:-}" = "--" ] && shift
exec ./build/marlsim "$@"
