"""Turns Google Benchmark's JSON output into docs/PERFORMANCE.md (medians, ratios to bare calls)."""
import json
import sys

def medians(path):
    results = json.load(open(path))
    return results["context"], {b["run_name"]: b["real_time"] for b in results["benchmarks"]
                                if b.get("aggregate_name") == "median"}


context, median = medians(sys.argv[1])
_, heap_median = medians(sys.argv[2])
repetitions = int(sys.argv[3])

# (library benchmark, bare benchmark it is measured against, what the bare side does)
pairs = [
    ("getenvvar_library", "getenvvar_bare_getenv", "`getenv` and a `std::string` copy"),
    ("putenvvar_library", "putenvvar_bare_setenv", "`setenv`"),
]
pairs += [("getenviron_library/%d" % size, "getenviron_bare_environ/%d" % size,
           "walk `environ` into a `std::string` (%s)" % label)
          for size, label in [(1024, "1 KiB"), (65536, "64 KiB"), (1048576, "1 MiB")]]
pairs += [
    ("system_info_library", "system_info_bare_uname", "`uname`, `gethostname`, format the nine texts"),
    ("tarnstr_copy", "tarnstr_copy_bare_string", "copy a 64-byte `std::string`"),
]
pairs += [("tarnstr_append/%d" % n, "tarnstr_append_bare_string/%d" % n,
           "%d appends to a `std::string`" % n) for n in (16, 1024, 65536)]


def ns(name, table=None):
    return (table or median)[name]


out = []
out.append("# libtarn performance\n")
out.append("Written by `scripts/performance.sh` from one run of `bench/` (Google Benchmark, Release "
           "build, median of %d repetitions) on a %d-CPU machine at %s MHz. The machines are shared "
           "and noisy: read the ratios, which were measured side by side in the same run, not the "
           "absolute times.\n" % (repetitions, context["num_cpus"],
                                  context["mhz_per_cpu"]))
out.append("## Each operation against the bare host call\n")
out.append("| operation | libtarn (ns) | bare (ns) | ratio | bare side |")
out.append("|---|---:|---:|---:|---|")
for lib, bare, what in pairs:
    out.append("| `%s` | %.0f | %.0f | %.2fx | %s |" % (lib, ns(lib), ns(bare), ns(lib) / ns(bare), what))
out.append("")
out.append("`getenvvar` zero-fills its 32767-byte stack buffer before every read; that fill is most of "
           "its cost. `system_info` asks the host three things (version, processor, host name); on "
           "Linux each is a `uname` system call (glibc's `gethostname` is one too), against two for "
           "the bare side. `getenviron` first copies the environment into a block, as the Windows "
           "kernel's `GetEnvironmentStrings` does, then turns the block into the text.\n")
out.append("## Scaling with size\n")
out.append("Measured a second time with glibc's `mmap` threshold raised, so that large buffers are "
           "reused from the heap. With the default threshold every buffer above about 128 KiB is "
           "mapped afresh and faulted in page by page, and on a virtual machine those faults swamp "
           "the work (the 1 MiB rows of the table above, on both sides).\n")
out.append("| environment of | `getenviron` (ns) | ns per KiB | bare (ns) | ratio |")
out.append("|---|---:|---:|---:|---:|")
for size, label in [(1024, "1 KiB"), (65536, "64 KiB"), (1048576, "1 MiB")]:
    t = ns("getenviron_library/%d" % size, heap_median)
    bare = ns("getenviron_bare_environ/%d" % size, heap_median)
    out.append("| %s | %.0f | %.1f | %.0f | %.2fx |" % (label, t, t / (size / 1024), bare, t / bare))
out.append("")
out.append("| `tarnstr` appends of 16 bytes | time (ns) | ns per append | bare (ns) | ratio |")
out.append("|---|---:|---:|---:|---:|")
for count in (16, 1024, 65536):
    t = ns("tarnstr_append/%d" % count, heap_median)
    bare = ns("tarnstr_append_bare_string/%d" % count, heap_median)
    out.append("| %d | %.0f | %.2f | %.0f | %.2fx |" % (count, t, t / count, bare, t / bare))
out.append("")
out.append("`getenviron` makes about five passes over the text (the host copies the environment "
           "into a block; the library finds its end, copies it into the result and turns each "
           "entry's NUL into a line feed) where the bare walk makes about three.")
print("\n".join(out))
