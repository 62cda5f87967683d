#!/usr/bin/env bash
# Runs tarn-info.exe under Windows versions that Wine can pretend to be, each in a fresh prefix,
# and checks the host description it prints.   wine_versions.sh BIN_DIR WORK_DIR
set -euo pipefail
bin=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../scripts/wine-run.sh"
export WINEDEBUG=-all

rm -rf "$work"
mkdir -p "$work"
# One booted prefix, copied afresh for every version: booting each takes far longer.
WINEPREFIX=$work/template "$run" "$bin/tarn-info.exe" >/dev/null
WINEPREFIX=$work/template wineserver --wait

# Wine's name | os | version | release | pretty name. GetVersionExA would say 6.2 for 8.1 and 10;
# a server edition with the same version as a workstation one is told apart by its product type
# only.
expectations="
win81|Microsoft Windows 8.1|6.3||Microsoft Windows 8.1 (build 9600)
win10|Microsoft Windows 10|10.0||Microsoft Windows 10 (build 18362)
win2008|Microsoft Windows Server|6.0|Service Pack 2|Microsoft Windows Server 2008 Service Pack 2 (build 6002)
vista|Microsoft Windows Vista|6.0|Service Pack 2|Microsoft Windows Vista Service Pack 2 (build 6002)"

failures=0
while IFS='|' read -r name os version release pretty; do
  [ -n "$name" ] || continue
  prefix=$work/$name
  cp -a "$work/template" "$prefix"
  WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine' /v Version /d "$name" /f >/dev/null 2>&1
  WINEPREFIX=$prefix wineserver --wait
  info=$(WINEPREFIX=$prefix "$run" "$bin/tarn-info.exe" | tr -d '\r')
  WINEPREFIX=$prefix wineserver --wait
  field() { sed -n "s/^$1: *//p" <<<"$info"; }
  got="$(field os)|$(field version)|$(field release)|$(field pretty)|$(field arch)"
  want="$os|$version|$release|$pretty|x86_64"
  if [ "$got" = "$want" ]; then
    echo "ok   $name: $got"
  else
    echo "FAIL $name: got '$got', want '$want'"
    failures=$((failures + 1))
  fi
done <<<"$expectations"
rm -rf "$work"
[ "$failures" -eq 0 ]
