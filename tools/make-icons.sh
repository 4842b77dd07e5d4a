#!/usr/bin/env bash
# Draws the committed icons again from packaging/icons/marlsim.svg: the
# hicolor theme's PNG sizes, and the BMP the window sets as its own icon
# (SDL reads BMP without any image library). Run after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")/../packaging/icons"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" marlsim.svg -o "marlsim-$size.png"
done
# 32-bit with its alpha channel, which SDL_LoadBMP keeps.
convert marlsim-48.png -define bmp:format=bmp4 marlsim-48.bmp
