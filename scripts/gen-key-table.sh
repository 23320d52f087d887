#!/bin/sh
# Regenerates input/key_table.inc from input/key_scancodes.csv.
set -eu
cd "$(dirname "$0")/.."
{
  echo '// Keyboard scan codes in the numbering games use (0..255, as in the classic'
  echo '// PC scan-code set with 0x80 marking the extended keys) beside the SDL scancode'
  echo '// of the same physical key. Generated from key_scancodes.csv by'
  echo '// scripts/gen-key-table.sh; do not edit by hand.'
  echo '// dik, SDL scancode, key name'
  awk -F, 'NR>1{printf "{%d, %s, \"%s\"},\n", $1, $3, $2}' input/key_scancodes.csv
} > input/key_table.inc
