#!/usr/bin/env bash
# tarn-info, and the Python client when a library is given, on their ways out: the exit status of
# each, and that every failure says what it was on standard error.
#   tarn_info_cli.sh TARN_INFO [LIBTARN]
set -uo pipefail
tarn_info=$1
py="python3 $(cd "$(dirname "$0")/.." && pwd)/examples/tarn_info.py"
export TARN_LIBRARY=${2:-}
err=$(mktemp)
trap 'rm -f "$err"' EXIT
failures=0
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
"$tarn_info" >&-%2%tarn-info: cannot write to standard output: Bad file descriptor
"$tarn_info" --env >/dev/full%2%tarn-info: cannot write to standard output: No space left
$py >/dev/null%0%
TARN_LIBRARY=libc.so.6 $py >/dev/null%2%tarn_info.py: libc.so.6 has no tarn_
TARN_LIBRARY=$'/nowhere/\xff.so' $py >/dev/null%2%tarn_info.py: /nowhere/\xff.so: cannot load
$py >&-%2%tarn_info.py: standard output is closed
$py >/dev/full%2%tarn_info.py: cannot write to standard output: No space left
EOT
[ "$failures" -eq 0 ]
