"""Turns Google Benchmark's JSON output into docs/PERFORMANCE.md: medians, and ratios measured side
by side in the same run. Only numbers and what was measured go in; nothing about how the code works,
which would go stale."""
import json
import sys


def medians(path):
    results = json.load(open(path))
    return results["context"], {b["run_name"]: b["real_time"] for b in results["benchmarks"]
                                if b.get("aggregate_name") == "median"}


context, median = medians(sys.argv[1])
_, heap_median = medians(sys.argv[2])
repetitions = int(sys.argv[3])
sizes = [(1024, "1 KiB"), (65536, "64 KiB"), (1048576, "1 MiB")]

# (libtarn benchmark, what it is measured against, what that does)
pairs = [("getenvvar_library", "getenvvar_bare_getenv", "`getenv` and a `std::string` copy"),
         ("getenvvar_c", "getenvvar_bare_getenv", "`getenv` and a `std::string` copy"),
         ("getenvvar_c", "getenvvar_poco", "Poco's `Environment::get`"),
         ("getenvvar_library", "getenvvar_poco", "Poco's `Environment::get`"),
         ("hasenvvar_library", "hasenvvar_bare_getenv", "`getenv` compared with null"),
         ("putenvvar_library", "putenvvar_bare_setenv", "`setenv`"),
         ("unsetenvvar_library", "unsetenvvar_bare_unsetenv", "`setenv`, then `unsetenv`")]
pairs += [("getenviron_library/%d" % size, "getenviron_bare_environ/%d" % size,
           "one walk of `environ` into one `std::string` (%s)" % label) for size, label in sizes]
pairs += [("system_info_library", "system_info_bare_uname",
           "`uname` and `gethostname`, the same nine texts formatted"),
          ("system_info_library", "system_info_poco",
           "Poco's `Environment`: its five host texts and the same four build texts"),
          ("system_info_c", "system_info_cpp",
           "the same five host texts through the C++ interface"),
          ("pretty_name_library", "pretty_name_bare_read",
           "open, read and close `/etc/os-release`, find the `PRETTY_NAME` line")]
pairs += [("capacity_library", "capacity_rust_available_parallelism",
           "Rust's `std::thread::available_parallelism`: the processors alone"),
          ("capacity_library", "capacity_libuv",
           "libuv's `uv_available_parallelism`, `uv_get_constrained_memory`, `uv_get_total_memory`"),
          ("capacity_library", "capacity_bare_files",
           "open, `fstat`, read and close of the files the call reads here (the processors "
           "online, the process's cgroups, each level's quota and limit), and nothing else"),
          ("capacity_bare_files", "capacity_rust_available_parallelism",
           "the files alone against Rust's processors alone"),
          ("capacity_c", "capacity_library", "the same six figures through the C++ interface"),
          ("available_memory_library", "capacity_library",
           "`getcapacity()`: the limits alone, without what the levels hold"),
          ("available_memory_library", "available_memory_libuv",
           "libuv's `uv_get_free_memory` (the machine's) and `uv_get_constrained_memory` (its "
           "own cgroup's limit, with no usage)"),
          ("machineid_library", "machineid_bare_openssl",
           "open, read and close `/etc/machine-id`, then OpenSSL's `HMAC(EVP_sha256(), ...)` over "
           "the app id"),
          ("machineid_c", "machineid_bare_openssl", "the same, against the C interface")]
pairs += [("tarnstr_copy", "tarnstr_copy_bare_string", "copy a 64-byte `std::string`")]
pairs += [("tarnstr_append/%d" % n, "tarnstr_append_bare_string/%d" % n,
           "%d appends to a `std::string`" % n) for n in (16, 1024, 65536)]

out = ["# libtarn performance\n",
       "Written by `scripts/performance.sh` from one run of `bench/` (Google Benchmark, Release "
       "build, median of %d repetitions) on a %d-CPU machine at %s MHz. The machines are shared and "
       "noisy: read the ratios, measured side by side in the same run, not the absolute times.\n"
       % (repetitions, context["num_cpus"], context["mhz_per_cpu"]),
       "## Each operation against the bare host call and a peer library\n",
       "| libtarn | against | libtarn (ns) | against (ns) | ratio | what the other side does |",
       "|---|---|---:|---:|---:|---|"]
for lib, other, what in pairs:
    if lib in median and other in median:
        out.append("| `%s` | `%s` | %.0f | %.0f | %.2fx | %s |"
                   % (lib, other, median[lib], median[other], median[lib] / median[other], what))
out += ["",
        "## Scaling with size\n",
        "Measured a second time with glibc's `mmap` threshold raised, so that large buffers are "
        "reused from the heap instead of being mapped and faulted in afresh on every call, on both "
        "sides.\n",
        "| environment of | `getenviron` (ns) | ns per KiB | bare (ns) | ratio |",
        "|---|---:|---:|---:|---:|"]
for size, label in sizes:
    t = heap_median["getenviron_library/%d" % size]
    bare = heap_median["getenviron_bare_environ/%d" % size]
    out.append("| %s | %.0f | %.1f | %.0f | %.2fx |" % (label, t, t / (size / 1024), bare, t / bare))
out += ["", "| `tarnstr` appends of 16 bytes | time (ns) | ns per append | bare (ns) | ratio |",
        "|---|---:|---:|---:|---:|"]
for count in (16, 1024, 65536):
    t = heap_median["tarnstr_append/%d" % count]
    bare = heap_median["tarnstr_append_bare_string/%d" % count]
    out.append("| %d | %.0f | %.2f | %.0f | %.2fx |" % (count, t, t / count, bare, t / bare))
reads = sorted((name.split(":", 1)[1], t) for name, t in median.items() if name.startswith("file_read:"))
if reads:
    out += ["", "## What one read of a host file costs\n",
            "Open, `fstat`, one read and close, as the library reads each file; the capacity calls "
            "are mostly these.\n", "| file | time (ns) |", "|---|---:|"]
    out += ["| `%s` | %.0f |" % (path, t) for path, t in reads]
print("\n".join(out))
