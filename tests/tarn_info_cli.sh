#!/usr/bin/env bash
# tarn-info, and the Python client when a library is given, on their ways out: the exit status of
# each, that every failure says what it was on standard error, and that the client prints what
# tarn-info prints.
#   tarn_info_cli.sh TARN_INFO [LIBTARN]
set -uo pipefail
tarn_info=$1
py="python3 $(cd "$(dirname "$0")/.." && pwd)/examples/tarn_info.py"
export TARN_LIBRARY=${2:-}
err=$(mktemp)
trap 'rm -f "$err"' EXIT
failures=0
# Runs a program with standard output a pipe whose reader is gone, SIGPIPE as a shell leaves it.
closed_pipe='import os, signal, sys
r, w = os.pipe(); os.close(r); os.dup2(w, 1); signal.signal(signal.SIGPIPE, signal.SIG_DFL)
os.execv(sys.argv[1], sys.argv[1:])'
# What is available now changes between two runs, and the programs differ: the clients' outputs are
# compared without either.
now='s/, [0-9.]* [KMGTPE]*i*B available$/, (now) available/; /^executable: /d'
# command % exit status % what standard error begins with (nothing: it stays empty)
while IFS='%' read -r command status message; do
  [ -n "$command" ] || continue
  case "$command" in *'$py'*) [ -n "$TARN_LIBRARY" ] || continue ;; esac
  eval "$command" 2>"$err"
  got=$?
  if [ "$got" = "$status" ] && { [ -z "$message" ] && [ ! -s "$err" ] || [[ "$(<"$err")" == "$message"* ]]; }; then
    echo "ok   $command"
  else
    echo "FAIL $command: exit $got, said '$(<"$err")'; want exit $status, '$message'"
    failures=$((failures + 1))
  fi
done <<'EOT'
"$tarn_info" >/dev/null%0%
"$tarn_info" --has TARN_CLI_UNSET%1%
"$tarn_info" --get%2%usage:
"$tarn_info" --directory nowhere%2%tarn-info: no directory named 'nowhere'; the names are: home config data cache state runtime temp desktop documents downloads music pictures videos templates publicshare
XDG_RUNTIME_DIR= "$tarn_info" --directory runtime%1%
"$tarn_info" --machine-id 0123456789abcdef0123456789abcdeg%2%tarn-info: invalid application id
"$tarn_info" >&-%2%tarn-info: cannot write to standard output: Bad file descriptor
"$tarn_info" --env >/dev/full%2%tarn-info: cannot write to standard output: No space left
python3 -c "$closed_pipe" "$tarn_info" --env%2%tarn-info: cannot write to standard output: Broken pipe
diff <($py | sed "$now") <("$tarn_info" | sed "$now") >/dev/null%0%
TARN_LIBRARY=libc.so.6 $py >/dev/null%2%tarn_info.py: libc.so.6 has no tarn_
TARN_LIBRARY=$'/nowhere/\xff.so' $py >/dev/null%2%tarn_info.py: /nowhere/\xff.so: cannot load
$py >&-%2%tarn_info.py: standard output is closed
$py >/dev/full%2%tarn_info.py: cannot write to standard output: No space left
EOT
# --json parses whatever bytes the host's texts hold: a crafted os-release, in a private mount
# namespace (as root), with a stray byte, a quote, a backslash, a control character, a cut
# sequence and a surrogate.
if [ "$(id -u)" -eq 0 ] && unshare -m true 2>/dev/null; then
  printf 'PRETTY_NAME="\xffq\\"\\\\\001\xc3 \xed\xa0\x80\xe2\x82\xac"\n' >"$err"
  got=$(unshare -m bash -c "cp '$err' /tmp/os-release.$$ && mount -t tmpfs none /etc &&
          mv /tmp/os-release.$$ /etc/os-release && exec '$tarn_info' --json" |
        python3 -c 'import json, sys; j = json.load(sys.stdin); print(ascii(j["pretty_name"]),
                    sorted(j["capacity"]), j["capacity"]["processors"] > 0)')
  want="'\ufffdq\"\\\\\x01\ufffd \ufffd\ufffd\ufffd\u20ac' ['available_memory', 'machine_memory', 'machine_processors', 'memory', 'memory_limit', 'processor_quota', 'processors'] True"
  if [ "$got" = "$want" ]; then echo "ok   --json"; else
    echo "FAIL --json: got $got, want $want"; failures=$((failures + 1)); fi
fi
# Lines both clients print of crafted hosts, in private mount namespaces: a host's folder under a
# tmpfs, or a cgroup-v2 view with a memory limit bound over the program's own /proc files (which
# it keeps, since the shell that bound them becomes the program).
limit='limit() { c=/sys/fs/cgroup && mount -t tmpfs none $c && echo 0::/ >$c/.cgroup &&
  echo "30 1 0:27 / /sys/fs/cgroup rw - cgroup2 none rw" >$c/.mountinfo && echo $1 >$c/memory.max &&
  mount --bind $c/.cgroup /proc/$$/task/$$/cgroup && mount --bind $c/.mountinfo /proc/$$/task/$$/mountinfo; }'
if [ "$(id -u)" -eq 0 ] && unshare -m true 2>/dev/null; then
  while IFS='%' read -r setup want; do
    for program in "'$tarn_info'" ${TARN_LIBRARY:+"$py"}; do
      got=$(unshare -m bash -c "$limit; $setup && exec $program" | grep "^${want%%:*}:" | tr -s ' ')
      if [[ $got == "$want"* ]]; then echo "ok   $setup: $got"; else
        echo "FAIL $program, $setup: got $got, want $want"; failures=$((failures + 1)); fi
    done
  done <<'EOT'
limit 1048575%memory: 1 MiB (limit; machine
limit 1073741823%memory: 1 GiB (limit; machine
limit 1047552%memory: 1023 KiB (limit; machine
limit 1023%memory: 1023 B (limit; machine
mount -t tmpfs none /etc && printf 'ID=Debian\nVERSION_ID=12\nID_LIKE=x\n' >/etc/os-release%product: (none) 12 (like: x)
EOT
fi
[ "$failures" -eq 0 ]
