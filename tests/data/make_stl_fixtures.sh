#!/bin/sh
# Writes the STL fixtures from their OpenSCAD sources (Debian's openscad):
# each model as ASCII STL and, for the half sphere, binary STL too.
# Run from anywhere; the files land beside the sources in tests/data/stl.
set -e
cd "$(dirname "$0")/stl"
for f in half_sphere stepped_block pyramid; do
  openscad -q --export-format asciistl -o "openscad_${f}_ascii.stl" "$f.scad"
done
openscad -q --export-format binstl -o openscad_half_sphere_binary.stl half_sphere.scad
