#!/usr/bin/env bash
# Capacity and the memory available now on a real cgroup-v2 kernel: Debian's user-mode Linux (a
# kernel that runs as an ordinary process, with this machine's / as its root through hostfs)
# boots with cgroup2 at /sys/fs/cgroup and the cpu and memory controllers given to its children,
# and runs the real-cgroup tests of a build there, with an ext4 image as the working folder
# (hostfs keeps no page cache). Then one cgroup with limits seen by tarn-info, its --json and the
# Python client, which reads them through the C interface; and tarn-info run from overlayfs.
#   uml.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
source=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/tarn-uml.XXXXXX)
trap 'rm -rf "$work"' EXIT
truncate -s 512M "$work/disk.img"
mkfs.ext4 -q -F "$work/disk.img"
mkdir "$work/ext4"
cat >"$work/init" <<EOF
#!/bin/bash
# PID 1 of the user-mode kernel: what it prints is the console, the host's standard output.
mount -t proc proc /proc && mount -t sysfs sys /sys && mount -t cgroup2 none /sys/fs/cgroup &&
  ln -sf /proc/self/fd /dev/fd &&
  echo '+cpu +memory' >/sys/fs/cgroup/cgroup.subtree_control && mount /dev/ubda "$work/ext4" &&
  cd "$work/ext4" && echo "booted: \$(cat /sys/fs/cgroup/cgroup.subtree_control)"
"$build/tests/tarn_tests" --gtest_filter='Capacity.Real*:Capacity.*RealLimit' --gtest_color=no 2>&1
echo "tests: \$?"
mkdir /sys/fs/cgroup/faces && echo '50000 100000' >/sys/fs/cgroup/faces/cpu.max &&
  echo 536870912 >/sys/fs/cgroup/faces/memory.max && echo \$\$ >/sys/fs/cgroup/faces/cgroup.procs
now='s/, [0-9.]* [KMGTPE]*i*B available$/, (now) available/; /^executable: /d'
diff <(TARN_LIBRARY="$build/libtarn.so" python3 "$source/examples/tarn_info.py" | sed "\$now") \
  <("$build/examples/tarn-info" | sed "\$now") && echo "faces: same"
"$build/examples/tarn-info" --json | grep -o '"processor_quota":[0-9.]*,"memory":536870912,'
# The program and the library on overlayfs (a module here), whose Linux 6.1 lists in the memory
# map the device of the file under it, not the overlay's that stat gives.
ov="$work/overlay"
mkdir "\$ov" && mount -t tmpfs none "\$ov" && mkdir -p "\$ov"/{lower/examples,upper,work,merged} &&
  cp -P "$build"/libtarn.so* "\$ov/lower/" && cp "$build/examples/tarn-info" "\$ov/lower/examples/" &&
  python3 -c "import ctypes, os; ctypes.CDLL(None).syscall(313, os.open('/usr/lib/uml/modules/\$(uname -r)/kernel/fs/overlayfs/overlay.ko', os.O_RDONLY), b'', 0)" &&
  mount -t overlay none -o "lowerdir=\$ov/lower,upperdir=\$ov/upper,workdir=\$ov/work" "\$ov/merged" &&
  "\$ov/merged/examples/tarn-info" | grep -E '^(executable|library):'
echo o >/proc/sysrq-trigger
sleep 60
EOF
chmod +x "$work/init"
started=$SECONDS
timeout 600 linux.uml mem=1G ubd0="$work/disk.img" root=/dev/root rootfstype=hostfs rootflags=/ rw \
  init="$work/init" con=null con0=fd:0,fd:1 uml_dir="$work" quiet </dev/null 2>&1 | tr -d '\r' >"$work/console" || true
sed -n '/^booted:/,/^library:/p' "$work/console"
echo "(user-mode Linux ran $((SECONDS - started)) s)"
grep -qx 'tests: 0' "$work/console" && ! grep -q 'SKIPPED' "$work/console" &&
  grep -qx 'faces: same' "$work/console" &&
  grep -qx '"processor_quota":0.5,"memory":536870912,' "$work/console" &&
  grep -qx "executable: $work/overlay/merged/examples/tarn-info" "$work/console" &&
  grep -qx "library:    $work/overlay/merged/$(basename "$(realpath "$build/libtarn.so.1")")" "$work/console" ||
  { echo "FAIL: the tests on cgroup v2 under user-mode Linux (the console above)"; tail -n 30 "$work/console"; exit 1; }
