#!/usr/bin/env bash
# tarn-info --json inside real OCI containers run by runc (the runtime under Docker and
# Kubernetes), with Docker's CPU and memory resources, in a cgroup namespace of its own and
# without one: what it answers must be what the resources say. The bundle's root is an empty
# folder with the host's programs and libraries and the build tree bound read-only.
#   containers.sh TARN_INFO        (exit 77 where runc cannot run here)
set -euo pipefail
tarn_info=$(realpath "$1")
build=$(dirname "$(dirname "$tarn_info")")
if [ "$(id -u)" -ne 0 ] || ! command -v runc >/dev/null; then
  echo "needs root and runc"; exit 77
fi
work=$(mktemp -d)
trap 'runc delete -f "tarn-test-$$" 2>/dev/null; rm -rf "$work"' EXIT
mkdir "$work/rootfs"
(cd "$work" && runc spec)
failures=0
# cgroup namespace (yes/no), Docker's --cpus as quota/period, --memory in bytes (0: none)
while read -r namespace quota period memory; do
  python3 - "$work/config.json" "$tarn_info" "$build" "$namespace" "$quota" "$period" "$memory" <<'PY'
import json, sys
path, program, build, namespace, quota, period, memory = sys.argv[1:]
config = json.load(open(path))
config["process"].update(terminal=False, args=[program, "--json"])
config["mounts"] += [
    {"destination": d, "type": "bind", "source": d, "options": ["rbind", "ro"]}
    for d in ["/usr", "/lib", "/lib64", "/bin", "/etc", build]]
resources = config["linux"]["resources"]
resources["cpu"] = {"quota": int(quota), "period": int(period)}
resources.pop("memory", None)
if int(memory):
    resources["memory"] = {"limit": int(memory), "swap": 2 * int(memory)}
spaces = [n for n in config["linux"]["namespaces"] if n["type"] != "cgroup"]
config["linux"]["namespaces"] = spaces + ([{"type": "cgroup"}] if namespace == "yes" else [])
json.dump(config, open(path, "w"))
PY
  got=$(timeout 20 runc run --bundle "$work" "tarn-test-$$" </dev/null | grep -o '"capacity":{[^}]*}') || got="runc failed"
  want=$(python3 -c "import math, os, sys
q = $quota / $period
print('\"processors\":%d' % min(len(os.sched_getaffinity(0)), math.ceil(q)),
      '\"processor_quota\":%g' % q, '\"memory_limit\":%d' % $memory)")
  ok=yes
  for field in $want; do [[ $got == *"$field"* ]] || ok=no; done
  if [ $ok = yes ]; then echo "ok   $namespace $quota/$period $memory: $got"; else
    echo "FAIL $namespace $quota/$period $memory: got $got, want $want"; failures=$((failures + 1)); fi
done <<EOT
yes 50000 100000 536870912
no 50000 100000 536870912
yes 150000 100000 0
no 150000 100000 0
yes 25000 100000 268435456
EOT
[ "$failures" -eq 0 ]
