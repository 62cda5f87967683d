#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly, in the prefix $WINEPREFIX (default: wine-prefix in
# the current directory), which is created on first use.
set -euo pipefail
export WINEPREFIX=${WINEPREFIX:-$PWD/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  # One creator at a time; the others wait for it.
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine wineboot --init >/dev/null 2>&1
    wineserver --wait
  fi
  flock -u 9
fi
exec wine "$@"
