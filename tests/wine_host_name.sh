#!/usr/bin/env bash
# tarn-info.exe --json under Wine with a host name outside ASCII, set in a UTS namespace of its own
# ("caf\xe9": Wine reads the Unix name byte by byte): under code page 1252 the name comes out
# whole, as UTF-8; under 932, which has no "é", with the code page's default character in its
# place (Wine's is "・", U+30FB), never as U+FFFD.
#   wine_host_name.sh TARN_INFO_EXE     (the prefix is the tests' own, as scripts/wine-run.sh finds it)
set -euo pipefail
exe=$1
run="$(cd "$(dirname "$0")/.." && pwd)/scripts/wine-run.sh"
if [ "$(id -u)" -ne 0 ] || ! unshare -u true 2>/dev/null; then
  echo "needs root and UTS namespaces"; exit 77
fi
export WINEPREFIX=${WINEPREFIX:-$PWD/wine-prefix} WINEDEBUG=-all
failures=0
for row in 'C.UTF-8|caf\xe9' 'ja_JP.UTF-8|caf\u30fb'; do
  # Wine's server keeps the host name it started with: each run has one of its own, started in
  # the namespace.
  wineserver --wait
  got=$(unshare -u bash -c "printf 'caf\xe9' >/proc/sys/kernel/hostname &&
          LANG=${row%%|*} '$run' '$exe' --json; wineserver --wait" |
        python3 -c 'import json, sys; print(ascii(json.load(sys.stdin)["node_name"])[1:-1])')
  if [ "$got" = "${row#*|}" ]; then echo "ok   ${row%%|*}: $got"; else
    echo "FAIL ${row%%|*}: got $got, want ${row#*|}"; failures=$((failures + 1)); fi
done
[ "$failures" -eq 0 ]
