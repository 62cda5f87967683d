#!/usr/bin/env bash
# Fails when a built libtarn.so runs code of its own at load or registers anything for exit:
# static initialisers (_GLOBAL__sub_I_*) or destructors handed to __cxa_atexit.
#   check-no-static-state.sh LIBRARY [TOOL_PREFIX]
set -euo pipefail
library=$1 nm=${2:-}nm
found=$( ("$nm" "$library" | grep -E '_GLOBAL__sub_I' || true; "$nm" -D --undefined-only "$library" | grep -E '__cxa_atexit|__cxa_thread_atexit' || true) )
if [ -n "$found" ]; then
  echo "libtarn sets up state at load or registers work for exit:"
  echo "$found"
  exit 1
fi
echo "no static initialisers, nothing registered for exit"
