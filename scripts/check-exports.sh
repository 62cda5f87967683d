#!/usr/bin/env bash
# Compares the demangled names that a built libtarn exports with a committed list.
#   check-exports.sh LIBRARY LIST [TOOL_PREFIX]      fails, with a diff, when they differ
#   check-exports.sh --update LIBRARY LIST [PREFIX]  writes the list (an interface change on purpose)
set -euo pipefail
update=no
if [ "${1:-}" = "--update" ]; then update=yes; shift; fi
library=$1 list=$2 prefix=${3:-}

exported_names() {
  case "$library" in
    *.dll)
      # The export table as objdump prints it: "[ n] mangled_name" rows after its heading.
      "${prefix}objdump" -p "$library" |
        sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | "${prefix}c++filt" ;;
    *)
      "${prefix}nm" -DC --defined-only "$library" | cut -d' ' -f3- ;;
  esac | LC_ALL=C sort -u
}

actual=$(exported_names)
[ -n "$actual" ] || { echo "no exported names read from $library" >&2; exit 1; }
if [ "$update" = yes ]; then
  printf '%s\n' "$actual" > "$list"
  echo "wrote $list"
  exit 0
fi
expected=$(cat "$list")
if grep -q 'std::__1::' <<<"$actual"; then
  # Built with libc++, whose names of the standard types differ from libstdc++'s in the list:
  # both are compared in one spelling.
  one_spelling() {
    sed -e 's/std::__1::/std::/g; s/std::__cxx11::/std::/g; s/\[abi:cxx11\]//g' \
      -e 's/std::ostream&/std::basic_ostream<char, std::char_traits<char> >\&/g' | LC_ALL=C sort -u
  }
  actual=$(one_spelling <<<"$actual")
  expected=$(one_spelling <<<"$expected")
fi
if ! diff -u <(printf '%s\n' "$expected") <(printf '%s\n' "$actual"); then
  echo "the exported interface of $library differs from $list;" >&2
  echo "if that is meant: $0 --update $library $list $prefix" >&2
  exit 1
fi
echo "exports match $list ($(printf '%s\n' "$actual" | wc -l) names)"
