#!/usr/bin/env bash
# Renders the SVG artwork into the PNGs and the icon that the build embeds.
# Needs rsvg-convert (librsvg2-bin) and ImageMagick; the build itself does not.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
art="$here/art"
out="$here/images"
mkdir -p "$out"
for svg in "$art"/*.svg; do
  name=$(basename "$svg" .svg)
  rsvg-convert "$svg" -o "$out/$name.png"
  if [ "$name" = background ]; then convert "$out/$name.png" -background white -alpha remove -alpha off "$out/$name.png"; fi
done
# The program icon: the product mark at the usual sizes up to 256.
tmp=$(mktemp -d)
for s in 16 24 32 48 64 128 256; do
  rsvg-convert -w $s -h $s "$art/producticon.svg" -o "$tmp/$s.png"
done
convert "$tmp"/16.png "$tmp"/24.png "$tmp"/32.png "$tmp"/48.png "$tmp"/64.png "$tmp"/128.png "$tmp"/256.png "$out/zephrin.ico"
rm -rf "$tmp"
