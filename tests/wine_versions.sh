#!/usr/bin/env bash
# Runs tarn-info.exe under each Windows version that Wine can pretend to be, each in a fresh prefix,
# and checks the host description it prints.   wine_versions.sh BIN_DIR WORK_DIR
set -euo pipefail
bin=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../scripts/wine-run.sh"
export WINEDEBUG=-all

rm -rf "$work"
mkdir -p "$work"
# One booted prefix, copied afresh for every version: booting each takes far longer.
WINEPREFIX=$work/template "$run" "$bin/getversionex_probe.exe" >/dev/null
WINEPREFIX=$work/template wineserver --wait

# Wine's name | os | version | release | what GetVersionExA says.
# Wine 8.0 itself reports Windows 7 as a server edition and 2008 R2 as a workstation (its
# wProductType), and the library names what the kernel reports.
expectations="
vista|Microsoft Windows Vista|6.0|Service Pack 2|6.0
win2008|Microsoft Windows Server|6.0|Service Pack 2|6.0
win7|Microsoft Windows Server|6.1|Service Pack 1|6.1
win2008r2|Microsoft Windows 7|6.1|Service Pack 1|6.1
win8|Microsoft Windows 8|6.2||6.2
win81|Microsoft Windows 8.1|6.3||6.2
win10|Microsoft Windows 10|10.0||6.2
winxp64|Microsoft Windows Server|5.2|Service Pack 2|5.2
win2003|Microsoft Windows Server|5.2|Service Pack 2|5.2
winxp|Microsoft Windows XP|5.1|Service Pack 3|5.1"

failures=0
while IFS='|' read -r name os version release legacy; do
  [ -n "$name" ] || continue
  prefix=$work/$name
  cp -a "$work/template" "$prefix"
  WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine' /v Version /d "$name" /f >/dev/null 2>&1
  WINEPREFIX=$prefix wineserver --wait
  info=$(WINEPREFIX=$prefix "$run" "$bin/tarn-info.exe" | tr -d '\r')
  seen_legacy=$(WINEPREFIX=$prefix "$run" "$bin/getversionex_probe.exe" | tr -d '\r')
  WINEPREFIX=$prefix wineserver --wait
  field() { sed -n "s/^$1: *//p" <<<"$info"; }
  got="$(field os)|$(field version)|$(field release)|$seen_legacy"
  want="$os|$version|$release|$legacy"
  if [ "$got" = "$want" ]; then
    echo "ok   $name: $got"
  else
    echo "FAIL $name: got '$got', want '$want'"
    failures=$((failures + 1))
  fi
done <<<"$expectations"
rm -rf "$work"
[ "$failures" -eq 0 ]
