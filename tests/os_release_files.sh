#!/usr/bin/env bash
# tarn-info's pretty name with hostile things at /etc/os-release, each in a private mount namespace
# with a scratch /etc: a FIFO, /dev/zero, a file whose reads fail (a process's memory: its first
# page is never mapped), a directory and a 1 MiB file must neither hang nor eat memory, and read as
# a missing or nameless file.   os_release_files.sh TARN_INFO
set -euo pipefail
tarn_info=$(realpath "$1")
if [ "$(id -u)" -ne 0 ] || ! unshare -m true 2>/dev/null; then
  echo "needs root and mount namespaces"; exit 77
fi
usr_lib=$(. /usr/lib/os-release && echo "$PRETTY_NAME")
kernel="$(uname -s) $(uname -r)"
failures=0
# what is put at /etc/os-release % the name expected
while IFS='%' read -r setup expected; do
  # Standard input closed, as a daemon's often is: a file opened then is descriptor 0.
  got=$(unshare -m bash -c "mount -t tmpfs none /etc && cd /etc && $setup && exec timeout 5 '$tarn_info' <&-" |
        sed -n 's/^pretty: *//p') || true
  if [ "$got" = "$expected" ]; then echo "ok   $setup"; else
    echo "FAIL ${setup:0:60}: got '$got', want '$expected'"; failures=$((failures + 1)); fi
done <<EOT
mkfifo os-release%$usr_lib
touch os-release && mount --bind /dev/zero os-release%$usr_lib
touch os-release && mount --bind /proc/\$\$/mem os-release%$usr_lib
mkdir os-release%$usr_lib
printf 'PRETTY_NAME=Scratch\n' > os-release%Scratch
{ head -c 1048576 /dev/zero | tr '\\0' '#'; printf '\\nPRETTY_NAME=Late\\n'; } > os-release%$kernel
{ head -c 65500 /dev/zero | tr '\\0' '#'; printf '\\nPRETTY_NAME=Edge\\n'; } > os-release%Edge
EOT
[ "$failures" -eq 0 ]
