#!/usr/bin/env bash
# Renders the artwork sources to the PNG files the program embeds
# (needs rsvg-convert, Debian package librsvg2-bin). Run after editing an SVG.
set -euo pipefail
cd "$(dirname "$0")"
out=..
for size in 16 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" emblem.svg -o "$out/petitora-$size.png"
done
rsvg-convert -w 48 -h 48 key.svg -o "$out/key.png"
rsvg-convert -w 48 -h 48 mouse.svg -o "$out/mouse.png"
rsvg-convert -w 512 -h 282 picture.svg -o "$out/picture.png"
for mark in passed failed not-run; do
    rsvg-convert -w 24 -h 24 "mark-$mark.svg" -o "$out/mark-$mark-24.png"
    rsvg-convert -w 48 -h 48 "mark-$mark.svg" -o "$out/mark-$mark-48.png"
done
