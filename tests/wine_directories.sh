#!/usr/bin/env bash
# tarn-info.exe --directory under Wine: the user's Known Folders as Wine's profile gives them, and
# roaming AppData redirected in the registry to a folder named with "é", which code page 1252 has
# and 932 lacks: the 1252 run answers it, the 932 run none (a path read with a stand-in for the
# letter would name no folder, or another one).
#   wine_directories.sh TARN_INFO_EXE      (the prefix is the tests' own, as wine-run.sh finds it)
set -uo pipefail
exe=$1
run="$(cd "$(dirname "$0")/.." && pwd)/scripts/wine-run.sh"
export WINEPREFIX=${WINEPREFIX:-$PWD/wine-prefix} WINEDEBUG=-all LANG=C.UTF-8
"$run" "$exe" --version >/dev/null # the prefix made, if it was not yet
wineserver --wait
# The registry is changed in a copy of the prefix, removed after.
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
cp -a "$WINEPREFIX" "$copy/prefix"
export WINEPREFIX=$copy/prefix
directory() { "$run" "$exe" --directory "$1" | tr -d '\r'; }
home=$(directory home)
failures=0
check() { # what % what it should be
  if [ "$1" = "$2" ]; then echo "ok   $3: $1"; else
    echo "FAIL $3: got '$1', want '$2'"; failures=$((failures + 1)); fi
}
[[ $home =~ ^C:\\users\\[^\\]+$ ]] || { echo "FAIL home: $home"; failures=$((failures + 1)); }
check "$(directory config)" "$home\\AppData\\Roaming" config
check "$(directory data)" "$home\\AppData\\Roaming" data
check "$(directory cache)" "$home\\AppData\\Local" cache
check "$(directory state)" "$home\\AppData\\Local" state
check "$(directory runtime; echo "exit $?")" "exit 1" runtime
# REG_EXPAND_SZ "%USERPROFILE%\Donnée", its bytes in code page 1252 as REGEDIT4 takes them
bytes=$(printf '%%USERPROFILE%%\\Donn\351e' | od -An -tx1 | tr -s ' \n' ',,' | sed 's/^,//; s/,$//')
printf 'REGEDIT4\n\n[%s]\n"AppData"=hex(2):%s,00\n' \
  'HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' \
  "$bytes" >"$copy/redirect.reg"
"$run" regedit /S "$copy/redirect.reg" >/dev/null 2>&1
bytes_of() { printf '%s' "$1" | od -An -c | tr -d ' \n'; }
check "$(bytes_of "$(directory config)")" "$(bytes_of "$(printf '%s\\Donn\351e' "$home")")" \
  "config redirected, 1252"
check "$(LANG=ja_JP.UTF-8 directory config; echo "exit $?")" "exit 1" "config redirected, 932"
wineserver --wait
[ "$failures" -eq 0 ]
