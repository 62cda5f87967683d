#!/usr/bin/env bash
# Compares the types and layouts of a built libtarn.so (gcc, with debug information) with the
# committed libabigail baseline. Any difference but an added symbol fails: libabigail sets bit 4
# of its exit status for a changed type or layout and bit 8 only for a removed symbol.
#   check-abi.sh LIBRARY BASELINE            fails, with abidiff's report, when they differ
#   check-abi.sh --update LIBRARY BASELINE   writes the baseline (an interface grown on purpose)
set -euo pipefail
headers=$(cd "$(dirname "$0")/.." && pwd)/include/tarn
update=no
if [ "${1:-}" = "--update" ]; then update=yes; shift; fi
library=$1 baseline=$2
if [ "$update" = yes ]; then
  abidw --headers-dir "$headers" --drop-private-types --no-corpus-path --no-comp-dir-path \
    --short-locs --type-id-style hash --out-file "$baseline" "$library"
  echo "wrote $baseline"
  exit 0
fi
status=0
abidiff --no-added-syms --hd2 "$headers" "$baseline" "$library" || status=$?
if [ "$status" -ne 0 ]; then
  echo "the ABI of $library differs from $baseline (abidiff exit $status);" >&2
  echo "if the interface grew on purpose: $0 --update $library $baseline" >&2
  exit 1
fi
echo "ABI matches $baseline"
