#!/usr/bin/env bash
# tarn-info --directory in child processes started with crafted environments (env -i: nothing
# but what the row sets), runtime folders made here with a right and a wrong mode and one given to
# another owner, the password database's home for root and for another user (setpriv), and
# user-dirs.dirs files: in home's .config, where XDG_CONFIG_HOME says, and a FIFO in its place.
#   directories.sh TARN_INFO        (exit 77 unless root)
set -uo pipefail
tarn_info=$(realpath "$1")
if [ "$(id -u)" -ne 0 ] || ! command -v setpriv >/dev/null; then
  echo "needs root and setpriv"; exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
# A copy that another user can run wherever the build tree is (it finds its library beside it).
mkdir -p "$work/build/examples"
cp "$tarn_info" "$work/build/examples/" && cp -P "$(dirname "$tarn_info")"/../libtarn.so* "$work/build/"
tarn_info=$work/build/examples/$(basename "$tarn_info")
mkdir -m 700 "$work/private" "$work/theirs" && mkdir -m 750 "$work/shared"
chown nobody "$work/theirs"
root_home=$(getent passwd root | cut -d: -f6) nobody_home=$(getent passwd nobody | cut -d: -f6)
# user-dirs.dirs in a home's .config, in a folder XDG_CONFIG_HOME names, and a FIFO in its place
mkdir -p "$work/u/.config" "$work/c" "$work/f/.config"
printf '# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR="$HOME/Docs"\r\nXDG_MUSIC_DIR="$HOME/"\n' \
  >"$work/u/.config/user-dirs.dirs"
echo 'XDG_DOCUMENTS_DIR="/srv/\$docs"' >"$work/c/user-dirs.dirs"
mkfifo "$work/f/.config/user-dirs.dirs"
failures=0
# who runs it % the environment % the folder % what it prints (nothing: exit 1)
while IFS='%' read -r user environment name expected; do
  [ -n "$name" ] || continue
  run=(env -i $environment "$tarn_info" --directory "$name")
  [ "$user" = root ] || run=(setpriv --reuid="$(id -u "$user")" --regid="$(id -g "$user")" --clear-groups "${run[@]}")
  got=$("${run[@]}")
  status=$?
  want_status=0
  [ -n "$expected" ] || want_status=1
  if [ "$got" = "$expected" ] && [ $status = $want_status ]; then echo "ok   $user $environment $name: $got"; else
    echo "FAIL $user $environment $name: got '$got' (exit $status), want '$expected'"; failures=$((failures + 1)); fi
done <<EOT
root%%home%$root_home
root%HOME=%home%$root_home
root%HOME=rel/u%home%$root_home
root%HOME=/h//%home%/h
nobody%%home%$nobody_home
nobody%HOME=/h%home%/h
root%HOME=/h XDG_CONFIG_HOME=c%config%/h/.config
root%HOME=/h XDG_CONFIG_HOME=/c/%config%/c
root%HOME=/h XDG_DATA_HOME=%data%/h/.local/share
root%XDG_CACHE_HOME=/k%cache%/k
root%HOME=/%state%/.local/state
root%XDG_RUNTIME_DIR=$work/private%runtime%$work/private
root%XDG_RUNTIME_DIR=$work/private/%runtime%$work/private
root%XDG_RUNTIME_DIR=$work/shared%runtime%
root%XDG_RUNTIME_DIR=$work/theirs%runtime%
nobody%XDG_RUNTIME_DIR=$work/theirs%runtime%$work/theirs
root%XDG_RUNTIME_DIR=$work/missing%runtime%
root%XDG_RUNTIME_DIR=/tmp%runtime%
root%%runtime%
root%HOME=$work/u%documents%$work/u/Docs
root%HOME=$work/u%music%
root%HOME=$work/u XDG_CONFIG_HOME=$work/c%documents%/srv/\$docs
root%HOME=$work/f%documents%
root%TMPDIR=rel%temp%/tmp
root%TMPDIR=/var/tmp/%temp%/var/tmp
EOT
[ "$failures" -eq 0 ]
