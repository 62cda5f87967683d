#!/usr/bin/env bash
# Runs tarn-info.exe under Windows versions that Wine can pretend to be, each in a copy of one
# booted prefix, and checks the host description it prints.   wine_versions.sh BIN_DIR WORK_DIR
# A host is either one of Wine's own versions (HKCU\Software\Wine\Version), whose kernel then
# disagrees with the registry (Windows 7's), or made in the registry: with no such version, Wine
# takes its kernel's version from CurrentVersion, CurrentBuildNumber, CSDVersion and ProductType,
# so the kernel and the registry agree as on a real machine.
set -euo pipefail
bin=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../scripts/wine-run.sh"
export WINEDEBUG=-all

rm -rf "$work"
mkdir -p "$work"
# One booted prefix, copied afresh for every host: booting each takes far longer.
WINEPREFIX=$work/template "$run" "$bin/tarn-info.exe" >/dev/null
WINEPREFIX=$work/template wineserver --wait

# host | Wine's version | CurrentVersion values (#N a number) | ProductType | os | version | release
# | pretty name | product. GetVersionExA would say 6.2 for 8.1 and 10; a server edition with the
# same version as a workstation one is told apart by its product type only. ProductName says
# "Windows 10" on Windows 11, and ReleaseId froze at 2009: neither may show.
hosts="
win81|win81|||Microsoft Windows 8.1|6.3||Microsoft Windows 8.1 (build 9600)|windows 8.1
win2008|win2008|||Microsoft Windows Server|6.0|Service Pack 2|Microsoft Windows Server 2008 Service Pack 2 (build 6002)|windows server2008
stale registry|win10|EditionID=Ultimate;UBR=#1||Microsoft Windows 10|10.0||Microsoft Windows 10 (build 18362)|windows 10
11 Pro 23H2||CurrentVersion=10.0;CurrentBuildNumber=22631;EditionID=Professional;DisplayVersion=23H2;ReleaseId=2009;UBR=#4460;ProductName=Windows 10 Pro|WinNT|Microsoft Windows 11|10.0||Microsoft Windows 11 Pro 23H2 (build 22631.4460)|windows 11
Server 2022||CurrentVersion=10.0;CurrentBuildNumber=20348;EditionID=ServerDatacenter;DisplayVersion=21H2;UBR=#2849|ServerNT|Microsoft Windows Server|10.0||Microsoft Windows Server 2022 Datacenter (build 20348.2849)|windows server2022
10 Home 22H2||CurrentVersion=10.0;CurrentBuildNumber=19045;EditionID=Core;DisplayVersion=22H2;ReleaseId=2009;UBR=#5131|WinNT|Microsoft Windows 10|10.0||Microsoft Windows 10 Home 22H2 (build 19045.5131)|windows 10
odd label||CurrentVersion=10.0;CurrentBuildNumber=19045;EditionID=Core;DisplayVersion=22H2 beta;ReleaseId=2009|WinNT|Microsoft Windows 10|10.0||Microsoft Windows 10 Home (build 19045)|windows 10"

# The .reg text that makes a host.
host_registry() {
  local wine_version=$1 values=$2 type=$3
  echo "REGEDIT4"
  [ -z "$wine_version" ] || printf '[HKEY_CURRENT_USER\\Software\\Wine]\n"Version"="%s"\n' "$wine_version"
  echo '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion]'
  [ -n "$wine_version" ] || echo '"CSDVersion"=-'
  local IFS=';'
  for value in $values; do
    case "${value#*=}" in
      '#'*) printf '"%s"=dword:%08x\n' "${value%%=*}" "${value#*=#}" ;;
      *) printf '"%s"="%s"\n' "${value%%=*}" "${value#*=}" ;;
    esac
  done
  [ -z "$type" ] || printf '[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ProductOptions]\n"ProductType"="%s"\n' "$type"
}

# One host in its own prefix, and so its own wineserver: two run at once, the machine's cores.
check_host() {
  local name=$1 wine_version=$2 values=$3 type=$4 os=$5 version=$6 release=$7 pretty=$8 product=$9
  local prefix=$work/${name// /-} info got want
  cp -a "$work/template" "$prefix"
  host_registry "$wine_version" "$values" "$type" >"$prefix.reg"
  WINEPREFIX=$prefix wine regedit /S "$prefix.reg" >/dev/null 2>&1
  WINEPREFIX=$prefix wineserver --wait
  info=$(WINEPREFIX=$prefix "$run" "$bin/tarn-info.exe" | tr -d '\r')
  WINEPREFIX=$prefix wineserver --wait
  field() { sed -n "s/^$1: *//p" <<<"$info"; }
  got="$(field os)|$(field version)|$(field release)|$(field pretty)|$(field product)|$(field arch)"
  want="$os|$version|$release|$pretty|$product|x86_64"
  if [ "$got" = "$want" ]; then
    echo "ok   $name: $got"
  else
    echo "FAIL $name: got '$got', want '$want'"
  fi >"$prefix.result"
}

while IFS='|' read -r name wine_version values type os version release pretty product; do
  [ -n "$name" ] || continue
  check_host "$name" "$wine_version" "$values" "$type" "$os" "$version" "$release" "$pretty" "$product" &
  [ "$(jobs -rp | wc -l)" -lt 2 ] || wait -n || true
done <<<"$hosts"
wait || true
# A host that left no result failed too.
cat "$work"/*.result 2>/dev/null || true
passed=$(cat "$work"/*.result 2>/dev/null | grep -c '^ok ' || true)
rm -rf "$work"
[ "$passed" -eq "$(grep -c '|' <<<"$hosts")" ]
