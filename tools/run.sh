#!/usr/bin/env bash
# Builds marlsim and starts it in the caller's directory (where it reads and
# writes vozido.ini). Without arguments it runs the demo (marlsim --demo);
# arguments, after an optional --, go to marlsim.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root"/tools/install-deps.sh
cmake -G Ninja -S "$root" -B "$root"/build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root"/build -j "$(nproc)" --target marlsim
[ "${1:-}" = "--" ] && shift
[ $# -eq 0 ] && set -- --demo
exec "$root"/build/marlsim "$@"
