#!/usr/bin/env bash
# Builds marlsim and runs every test: the plain build, the same suites under
# AddressSanitizer and UndefinedBehaviorSanitizer, and a replay of the fuzz
# corpora. Ends with one summary line.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
# The folders include each other one way only.
./tools/check-layers
jobs=$(nproc)
log=$(mktemp)
trap 'rm -f "$log"' EXIT

cmake -G Ninja -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMARL_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" | tee -a "$log"

cmake -G Ninja -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DMARL_SANITIZE=ON -DMARL_WERROR=ON \
  >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" | tee -a "$log"

# The two threads of the real program under ThreadSanitizer: only the
# program and the integration suite that drives it are built.
cmake -G Ninja -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMARL_TSAN=ON >/dev/null
cmake --build build-tsan -j "$jobs" --target marlsim marl_integration_tests
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ./build-tsan/tests/integration/marl_integration_tests --gtest_brief=1 | tee -a "$log"
echo "integration suite under ThreadSanitizer: passed"

# The Debian package: built, unpacked into a fresh directory, and run from
# there, with its manual page.
# A package left from an earlier version would match the globs below too.
rm -f build/marlsim_*.deb
(cd build && cpack >/dev/null)
unpacked=$(mktemp -d)
trap 'rm -f "$log"; rm -rf "$unpacked"' EXIT
dpkg -x build/marlsim_*.deb "$unpacked"
# Nothing links the font the window draws with, so only Depends brings it.
dpkg-deb -f build/marlsim_*.deb Depends | grep -q 'fonts-liberation2 | fonts-liberation'
"$unpacked"/usr/bin/marlsim --version
# The program links nothing of the window: its module does, installed where
# the program finds it, and the package depends on what the module needs.
if ldd "$unpacked"/usr/bin/marlsim | grep -Ei 'sdl|x11|xcb|wayland|pulse|asound'; then
  echo "package: marlsim itself links window or sound libraries" >&2
  exit 1
fi
find "$unpacked"/usr/lib -name marlsim-sdl.so | grep -q .
dpkg-deb -f build/marlsim_*.deb Depends | grep -q 'libsdl2-2.0-0'
dpkg-deb -f build/marlsim_*.deb Depends | grep -q 'libsdl2-ttf-2.0-0'
# A snapshot from the unpacked package: the module found from where it lies.
(cd "$unpacked" && printf 'wait output\nsnapshot shot.png\nquit\n' |
  ./usr/bin/marlsim --demo --ui=headless --size 20x16 >/dev/null && test -s shot.png)
"$unpacked"/usr/bin/marlsim-demo-host --version
MANWIDTH=80 man -l "$unpacked"/usr/share/man/man1/marlsim.1.gz | grep 'EXIT STATUS' >/dev/null
desktop-file-validate "$unpacked"/usr/share/applications/marlsim.desktop
# Debian's own checks: no error and no warning that is not overridden with a
# reason in packaging/debian/lintian-overrides.
lintian --fail-on error,warning build/marlsim_*.deb
echo "package: unpacked, runs without the window's libraries, finds its window module, manual" \
  "page reads, desktop entry valid, lintian clean" | tee -a "$log"

# Replays the fuzz corpora: every input that once found a fault stays fixed.
./tools/fuzz.sh

total=$(grep -Eo 'tests failed out of [0-9]+' "$log" | awk '{s += $5} END {print s + 0}')
failed=$(grep -Eo '[0-9]+ tests failed out of' "$log" | awk '{s += $1} END {print s + 0}')
echo "all suites: $((total - failed)) passed, ${failed} failed"
