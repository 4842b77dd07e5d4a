#!/usr/bin/env bash
# Installs what building and testing marlsim needs on Debian 12.
set -euo pipefail
packages=(build-essential cmake ninja-build clang libclang-rt-14-dev libgtest-dev libgmock-dev
  libbenchmark-dev clang-format python3)
# The Python client's tests.
packages+=(python3-pytest)
# The terminal front end and its tests.
packages+=(libncurses-dev pkg-config tmux)
# The desktop window and its tests.
packages+=(libsdl2-dev libsdl2-ttf-dev zlib1g-dev fonts-liberation2 fontconfig xvfb xdotool
  x11-utils imagemagick)
# Captures read back through the Lua dissector.
packages+=(tshark)
# The Debian package, its manual page and its checks (CPack's shlibdeps
# needs `file`).
packages+=(dpkg-dev file man-db lintian desktop-file-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq "${missing[@]}"
fi
