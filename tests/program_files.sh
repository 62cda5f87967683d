#!/usr/bin/env bash
# Where the running program and libtarn are, asked of a probe that prints both (tests/paths_probe.c)
# copied with the library into a scratch folder: run through a symbolic link, by a relative path
# from another folder, renamed and deleted while it runs, with the library found through
# LD_LIBRARY_PATH=. (a relative name in the loader's list); from Python (where it can load the
# library), the library opened by a relative name; as root, also with /proc covered (the loader's
# own names), and from Python after a chroot into a folder that holds another file at its path. Under an emulator (qemu-user) the program's path is the one it was started with,
# resolved at each call: renamed, it names nothing.
#   program_files.sh PROBE LIBRARY [EMULATOR ARGUMENTS...]
set -uo pipefail
probe=$(realpath "$1") library=$(realpath "$2")
shift 2
emulator=("$@")
# Under a folder whose path is longer than the first buffer that a link's target is read into.
scratch=$(mktemp -d)
trap 'exec 3>&-; rm -rf "$scratch"' EXIT
work=$scratch/$(printf 'long-folder-name-%.0s' {1..9})/$(printf 'deeper-%.0s' {1..20})
mkdir -p "$work/bin" "$work/other"
cp -P "$(dirname "$library")"/libtarn.so* "$work/"
ln -s bin/probe "$work/link"
lib=$(realpath "$work/libtarn.so.1")
# Runs the probe from the folder `from`, runs `change` once it has answered, asks again and prints
# the two paths it answers then, on one line.
run() {
  local from=$1 change=$2
  shift 2
  cp "$probe" "$work/bin/probe" && rm -f "$work/in" && mkfifo "$work/in"
  exec 3<>"$work/in" # opened both ways, so that neither end waits for the other
  (exec 3>&-; cd "$work/$from" && exec timeout 30 "$@" <"$work/in" >"$work/out") &
  for _ in $(seq 100); do [ "$(wc -l <"$work/out" 2>/dev/null)" = 2 ] && break; sleep 0.1; done
  (cd "$work" && eval "$change")
  echo >&3 && exec 3>&-
  wait $!
  tail -n 2 "$work/out" | paste -sd ' '
}
native=yes python=yes
[ ${#emulator[@]} -eq 0 ] || native=no python=no
# A sanitizer's build loads only into programs that load its runtime first: not into Python.
python3 -c "import ctypes; ctypes.CDLL('$lib')" 2>/dev/null || python=no
failures=0
# from % change while it runs % command % what it answers then (natively % under an emulator)
while IFS='%' read -r from change command native_want emulated_want; do
  [ -n "$command" ] || continue
  want=$native_want
  [ $native = yes ] || want=$emulated_want
  [ "$want" != - ] || continue
  [[ $command != *unshare* ]] || [ "$(id -u)" -eq 0 ] || continue
  got=$(eval "run '$from' '$change' $command")
  if [ "$got" = "$want" ]; then echo "ok   $command ($change): $got"; else
    echo "FAIL $command ($change): got '$got', want '$want'"; failures=$((failures + 1)); fi
done <<EOT
.%%"\${emulator[@]}" ./link%$work/bin/probe $lib%$work/bin/probe $lib
other%%"\${emulator[@]}" ../bin/probe%$work/bin/probe $lib%$work/bin/probe $lib
.%mv bin/probe bin/renamed%"\${emulator[@]}" bin/probe%$work/bin/renamed $lib%(none) $lib
.%rm bin/probe%"\${emulator[@]}" bin/probe%(none) $lib%(none) $lib
.%%env LD_LIBRARY_PATH=. "\${emulator[@]}" bin/probe%$work/bin/probe $lib%$work/bin/probe $lib
.%%env LD_LIBRARY_PATH="$work" unshare -m sh -c 'mount -t tmpfs none /proc && exec bin/probe'%(none) $work/libtarn.so.1%-
.%%env LD_LIBRARY_PATH=. unshare -m sh -c 'mount -t tmpfs none /proc && exec bin/probe'%(none) (none)%-
EOT
# The library opened by a relative name (dlopen("../libtarn.so.1")), from Python.
if [ $python = yes ]; then
  got=$(cd "$work/other" && python3 -c 'import ctypes; path = ctypes.c_char_p()
ctypes.CDLL("../libtarn.so.1").tarn_getlibrarypath(ctypes.byref(path), None); print(path.value.decode())')
  if [ "$got" = "$lib" ]; then echo "ok   dlopen(\"../libtarn.so.1\"): $got"; else
    echo "FAIL dlopen(\"../libtarn.so.1\"): got '$got', want '$lib'"; failures=$((failures + 1)); fi
fi
# A root changed after exec: /proc/self/exe still names Python's path, which inside the new root
# is another file; and the library lies outside it.
if [ $python = yes ] && [ "$(id -u)" -eq 0 ]; then
  got=$(unshare -m python3 - "$lib" "$work/root" <<'PY'
import ctypes, os, subprocess, sys
lib = ctypes.CDLL(sys.argv[1])
python = sys.argv[2] + os.path.realpath(sys.executable)
os.makedirs(os.path.dirname(python)), os.makedirs(sys.argv[2] + "/proc")
open(python, "w").close()
subprocess.run(["mount", "--bind", "/proc", sys.argv[2] + "/proc"], check=True)
os.chroot(sys.argv[2])
for get in lib.tarn_getexecutablepath, lib.tarn_getlibrarypath:
    path = ctypes.c_char_p()
    get(ctypes.byref(path), None)
    print(path.value, end=" ")
PY
)
  if [ "$got" = "None None " ]; then echo "ok   after a chroot: $got"; else
    echo "FAIL after a chroot: got '$got', want 'None None '"; failures=$((failures + 1)); fi
fi
[ "$failures" -eq 0 ]
