#!/usr/bin/env bash
# Installs the Debian package into a bare Debian 12 tree with apt, as a new
# user would, and checks what the package promises there: the desktop entry,
# the icon, the documentation and examples, the manual page, pkg-config's
# marlsim-host, and a host built with it talking to the installed marlsim.
#
#   debootstrap --variant=minbase bookworm ROOT     (once)
#   tools/check-install.sh ROOT build/marlsim_*.deb
set -euo pipefail
root=$(realpath "$1")
deb=$2
cp "$deb" "$root/tmp/"
name=$(basename "$deb")
mount -t proc proc "$root/proc"
trap 'umount "$root/proc"' EXIT
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

in_root apt-get update -qq
# What a host developer brings: a compiler, pkg-config, Python, a manual
# page reader; and the desktop entry's checker.
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq g++ pkg-config python3 \
  man-db desktop-file-utils >/dev/null
# A tree used before holds an older copy: the install is always a fresh one.
in_root sh -c 'dpkg -s marlsim >/dev/null 2>&1 && dpkg --purge marlsim >/dev/null' || true
in_root sh -c "cd /tmp && DEBIAN_FRONTEND=noninteractive apt install -y -q ./$name" | tail -n 3
in_root marlsim --help | tail -n 3

in_root desktop-file-validate /usr/share/applications/marlsim.desktop
for size in 16x16 22x22 24x24 32x32 48x48 64x64 128x128 256x256; do
  test -s "$root/usr/share/icons/hicolor/$size/apps/marlsim.png"
done
test -s "$root/usr/share/icons/hicolor/scalable/apps/marlsim.svg"
echo "icons: every size and the SVG"
ls "$root/usr/share/doc/marlsim" "$root/usr/share/doc/marlsim/examples"
in_root sh -c 'MANWIDTH=80 man marlsim' | grep -A3 '^EXIT STATUS'
in_root sh -c 'MANWIDTH=80 man marlsim-demo-host' | head -n 3
in_root pkg-config --cflags --libs marlsim-host
in_root sh -c 'cd /tmp && g++ -std=c++20 /usr/share/doc/marlsim/examples/hello_host.cpp \
  $(pkg-config --cflags --libs marlsim-host) -o hello_host'
echo "hello_host: built with pkg-config"

# The host just built, and the installed marlsim against it.
in_root sh -c 'cd /tmp && (./hello_host 4077 >host.log &) &&
  for i in $(seq 100); do grep -q listening host.log && break; sleep 0.1; done &&
  printf "wait text \"Name:\"\ntype \"Ada\"\nkey Enter\nwait text \"Hello, Ada\"\nscreen\nquit\n" |
    marlsim --ui=headless --size 20x16 -H127.0.0.1 -P4077'
# The guide's Python host, from the installed examples, against a terminal
# with an ID.
in_root sh -c 'cd /tmp && (python3 /usr/share/doc/marlsim/examples/hello_host.py 4078 >py.log &) &&
  for i in $(seq 100); do grep -q listening py.log && break; sleep 0.1; done &&
  printf "wait text \"Name:\"\ntype \"Bo\"\nkey Enter\nwait text \"Hello, Bo\"\nquit\n" |
    marlsim --ui=headless --size 20x16 -H127.0.0.1 -P4078 -ISCAN01'
echo "install check: passed"
