#!/bin/sh
# Regenerates gfx3d/normal_table.inc from gfx3d/normal_table.csv.
set -eu
cd "$(dirname "$0")/.."
{
  echo '// The 162 unit normals model files refer to by index (x, y, z).'
  echo '// Generated from normal_table.csv by scripts/gen-normal-table.sh; do not edit by hand.'
  awk -F, 'NR>1{gsub(/\r/,""); printf "{%sf, %sf, %sf},\n", $1, $2, $3}' gfx3d/normal_table.csv
} > gfx3d/normal_table.inc
