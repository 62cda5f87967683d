#!/usr/bin/env bash
# tarn-info.exe under Wine: the user's Known Folders as Wine's profile gives them (HOME and XDG_*
# set change nothing), and AppData and Documents redirected in the registry to a folder named with
# "é", which code page 1252 has and 932 lacks: the 1252 run answers them, the 932 run none (a path
# read with a stand-in for the letter would name no folder, or another one). The program's and the
# library's own files, run from such a folder, and from one whose path is longer than MAX_PATH.
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
while read -r name folder; do
  check "$(directory "$name")" "$folder" "$name"
done <<EOT
config $home\\AppData\\Roaming
data $home\\AppData\\Roaming
cache $home\\AppData\\Local
state $home\\AppData\\Local
desktop $home\\Desktop
documents $home\\Documents
downloads $home\\Downloads
music $home\\Music
pictures $home\\Pictures
videos $home\\Videos
templates $home\\AppData\\Roaming\\Microsoft\\Windows\\Templates
publicshare C:\\users\\Public
EOT
check "$(directory runtime; echo "exit $?")" "exit 1" runtime
check "$(HOME=/h XDG_CONFIG_HOME=/c XDG_DOCUMENTS_DIR=/d directory documents)" "$home\\Documents" \
  "documents with HOME and XDG set"
# REG_EXPAND_SZ "%USERPROFILE%\Donnée", its bytes in code page 1252 as REGEDIT4 takes them
bytes=$(printf '%%USERPROFILE%%\\Donn\351e' | od -An -tx1 | tr -s ' \n' ',,' | sed 's/^,//; s/,$//')
printf 'REGEDIT4\n\n[%s]\n"AppData"=hex(2):%s,00\n"Personal"=hex(2):%s,00\n' \
  'HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' \
  "$bytes" "$bytes" >"$copy/redirect.reg"
"$run" regedit /S "$copy/redirect.reg" >/dev/null 2>&1
bytes_of() { printf '%s' "$1" | od -An -c | tr -d ' \n'; }
for name in config documents; do
  check "$(bytes_of "$(directory $name)")" "$(bytes_of "$(printf '%s\\Donn\351e' "$home")")" \
    "$name redirected, 1252"
  check "$(LANG=ja_JP.UTF-8 directory $name; echo "exit $?")" "exit 1" "$name redirected, 932"
done
# The program and its DLL in C:\Donnée, and in a folder whose path is 330 characters long: the
# paths --json gives (UTF-8), or null.
paths() {
  "$run" "$1" --json | python3 -c 'import json, sys; j = json.load(sys.stdin); print(j["executable"], j["library"])'
}
long=C:/$(printf 'x%.0s' {1..100})/$(printf 'y%.0s' {1..100})/$(printf 'z%.0s' {1..100})
for folder in "C:/Donnée" "$long"; do
  unix=$WINEPREFIX/drive_c/${folder#C:/}
  mkdir -p "$unix" && cp "$exe" "$(dirname "$exe")/libtarn.dll" "$unix/"
  windows=${folder//\//\\}
  check "$(paths "$unix/$(basename "$exe")")" "$windows\\$(basename "$exe") $windows\\libtarn.dll" \
    "the program and its library in ${windows:0:12}..., 1252"
done
check "$(LANG=ja_JP.UTF-8 paths "$WINEPREFIX/drive_c/Donnée/$(basename "$exe")")" "None None" \
  "the program and its library in C:\\Donnée, 932"
wineserver --wait
[ "$failures" -eq 0 ]
