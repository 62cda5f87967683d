#!/usr/bin/env python3
"""Mutation testing: how many small faults planted in the library the tests catch, and which tests
catch each.

Usage: python3 scripts/mutate.py [--count N] [--seed S] [--files src/a.cpp ...] [--matrix FILE.csv]
Clones the project's committed HEAD twice into a scratch folder (--work, default /tmp/tarn-mutate),
builds both (gcc, RelWithDebInfo, Ninja), then for each sampled mutant changes one line of the
library (a comparison flipped, && and || swapped, true and false swapped, a '!' dropped, a +1/-1
dropped, an integer constant lowered by one, a call statement deleted), rebuilds, and runs the
tests that use what the rebuild changed (a test program that was relinked, or one that loads the
rebuilt libtarn; the install test aside), --jobs of them at once. One clone compiles the next
mutant while the other's tests run. Verdicts: killed, survived, stillborn (does not compile), or
unchanged (the build made the same programs: an equivalent mutant).

The sample is spread over the files in proportion to their mutation sites; --count 0 tries every
site. win32.cpp is left out unless --cmake-args names the mingw toolchain file (then the tests run
under Wine: sample with --files src/platform/win32.cpp --count N).

With --matrix, writes FILE.csv, a row per mutant with the test cases that killed it (GoogleTest
cases as Suite.Case, with the ctest test that ran them after a colon; other ctest tests by name),
and FILE.json with each killer's failure lines; with --first, only the first killer, the quickest
tests run first (to show that a smaller suite still kills what a matrix run killed). Prints the
survivors with file:line and the change:
each is a fault the tests let through, or an equivalent mutant: read each one.
"""
import argparse, concurrent.futures, csv, glob, json, os, random, re, subprocess, sys, time

OPS = [
    ("==", "!="), ("!=", "=="), (" <= ", " < "), (" < ", " <= "), (" >= ", " > "), (" > ", " >= "),
    ("&&", "||"), ("||", "&&"), ("true", "false"), ("false", "true"), ("(!", "("),
    (" + 1", ""), (" - 1", ""), ("++", "--"),
]
SKIP = re.compile(r'^\s*(//|#|\*|/\*)')


def sites(root, files):
    out = []
    for rel in files:
        lines = open(os.path.join(root, rel), encoding="utf-8").read().split("\n")
        for i, line in enumerate(lines):
            if SKIP.match(line) or not line.strip() or '"' in line and line.strip().startswith('"'):
                continue
            code = line.split("//")[0]
            for a, b in OPS:
                start = 0
                while True:
                    k = code.find(a, start)
                    if k < 0:
                        break
                    if a in ("true", "false") and (code[k-1:k].isalnum() or code[k+len(a):k+len(a)+1].isalnum() or code[k-1:k] == "_"):
                        start = k + 1; continue
                    if a in (" < ", " > ") and ("template" in code or "<<" in code[k-1:k+3] or ">>" in code[k-1:k+3]):
                        start = k + 1; continue
                    out.append((rel, i, k, a, b))
                    start = k + 1
            # integer literals >= 2 decremented
            for m in re.finditer(r'(?<![\w.])([2-9]|[1-9]\d+)(?![\w.])', code):
                out.append((rel, i, m.start(), m.group(1), str(int(m.group(1)) - 1)))
            # a call statement deleted
            s = code.strip()
            if re.match(r'^[A-Za-z_][\w:.>-]*(\(.*\))?\s*\(.*\);$', s) and not re.match(r'^(return|throw|const|auto|std::|unsigned|int|char|size_t|bool)\b', s):
                out.append((rel, i, 0, "<stmt>", "<deleted>"))
    return out


def sample(cand, count, seed):
    """`count` sites spread over the files in proportion to each file's sites."""
    rng = random.Random(seed)
    by_file = {}
    for site in cand:
        by_file.setdefault(site[0], []).append(site)
    chosen = []
    for rel, file_sites in sorted(by_file.items()):
        rng.shuffle(file_sites)
        chosen += file_sites if count <= 0 else file_sites[:round(count * len(file_sites) / len(cand))]
    rng.shuffle(chosen)
    return chosen


def tree_at(work, repo, rev):
    """The library's sources at commit `rev`, unpacked once under `work`."""
    old = os.path.join(work, "at-" + rev)
    if not os.path.isdir(old):
        os.makedirs(old)
        subprocess.check_call(f"git -C {repo} archive {rev} src | tar -x -C {old}", shell=True)
    return old


def found_again(old, drawn, src):
    """The mutants `drawn` in the tree `old`, each found again in `src` by its line's text (the
    nearest line of the same text to where it stood), and those whose line is gone."""
    found, gone = [], []
    for rel, i, k, op, rep in drawn:
        text = open(os.path.join(old, rel), encoding="utf-8").read().split("\n")[i]
        path = os.path.join(src, rel)
        lines = open(path, encoding="utf-8").read().split("\n") if os.path.exists(path) else []
        same = [j for j, line in enumerate(lines) if line == text]
        if same:
            found.append((rel, min(same, key=lambda j: abs(j - i)), k, op, rep))
        else:
            gone.append(f"{rel}:{i + 1} {op!r}->{rep!r}")
    return found, gone


def run(cmd, cwd, timeout, env=None):
    try:
        r = subprocess.run(cmd, cwd=cwd, shell=True, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                           timeout=timeout, env=env)
        return r.returncode, r.stdout.decode(errors="replace")
    except subprocess.TimeoutExpired as e:
        return 124, (e.stdout or b"").decode(errors="replace") + "\n(timed out)"


class Build:
    """A clone of the project and its build, where one mutant at a time is planted."""

    def __init__(self, work, name, repo, cmake_args, exclude):
        self.src, self.dir = os.path.join(work, name + "-src"), os.path.join(work, name + "-build")
        self.exclude, self.planted = exclude, None
        if not os.path.isdir(self.src):
            subprocess.check_call(["git", "clone", "-q", repo, self.src])
        if not os.path.isdir(self.dir):
            subprocess.check_call(f"cmake -S {self.src} -B {self.dir} -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "
                                  f"{cmake_args} >/dev/null", shell=True)
        self.windows = "mingw" in cmake_args
        self.uses, self.seconds = {}, {}

    def artifacts(self):
        """The programs and libraries the build made, with their modification times."""
        found = {}
        for root, _, files in os.walk(self.dir):
            for f in files:
                path = os.path.join(root, f)
                if (f.endswith((".exe", ".dll")) or ".so" in f or os.access(path, os.X_OK)) and \
                        open(path, "rb").read(4) in (b"\x7fELF", b"MZ\x90\x00"):
                    found[path] = os.stat(path).st_mtime_ns
        return found

    def tests(self):
        """Each ctest test with the artifacts it uses: those its command names (or names the folder
        of), and libtarn where one of them loads it."""
        shown = json.loads(run(f"ctest --test-dir {self.dir} --show-only=json-v1", self.dir, 120)[1])
        artifacts = self.artifacts()
        library = [a for a in artifacts if re.search(r"libtarn\.(so|dll)", os.path.basename(a))]
        dump = "objdump" if not self.windows else "x86_64-w64-mingw32-objdump"
        loads = {a for a in artifacts
                 if re.search(r"(NEEDED|DLL Name:)\s+libtarn", run(f"{dump} -p '{a}'", self.dir, 60)[1])}
        uses = {}
        for t in shown["tests"]:
            if re.fullmatch(self.exclude, t["name"]):
                continue
            used = set()
            for arg in t.get("command", []):
                arg = arg.rstrip("/")
                used |= {a for a in artifacts if a == arg or a.startswith(arg + "/")}
            if used & loads or used & set(library):
                used |= set(library)
            uses[t["name"]] = used
        return uses

    def plant(self, mutant):
        """Puts back the last mutant's file, then changes the line of this one."""
        if self.planted:
            path, original = self.planted
            open(path, "w", encoding="utf-8").write(original)
        self.planted = None
        if mutant is None:
            return
        rel, i, k, op, rep = mutant
        path = os.path.join(self.src, rel)
        original = open(path, encoding="utf-8").read()
        lines = original.split("\n")
        lines[i] = re.match(r'^\s*', lines[i]).group(0) + ";" if op == "<stmt>" else \
            lines[i][:k] + rep + lines[i][k + len(op):]
        open(path, "w", encoding="utf-8").write("\n".join(lines))
        self.planted = (path, original)
        return lines[i]

    def rebuild(self):
        """Rebuilds: None when it does not compile, else the artifacts that changed."""
        before = self.artifacts()
        rc, _ = run(f"cmake --build {self.dir}", self.src, 900)
        if rc != 0:
            return None
        return {a for a, t in self.artifacts().items() if before.get(a) != t}

    def run_tests(self, names, first=False, jobs=1):
        """Runs the named ctest tests, `jobs` at a time, the longest first (with `first`, one at a
        time, the quickest first, until one fails): {killer: failure lines} of those that fail."""
        killers = {}

        def one(name):
            started = time.monotonic()
            rc, log = run(f"ctest --test-dir {self.dir} -R '^{re.escape(name)}$' -V --timeout 120",
                          self.src, 900)
            self.seconds.setdefault(name, time.monotonic() - started)
            if rc == 0:
                return {}
            cases = sorted(set(re.findall(r"^\d+: \[  FAILED  \] ([\w/.]+)(?: \(| *$)", log, re.M)))
            details = [l.split(": ", 1)[-1] for l in log.splitlines()
                       if re.search(r": (FAIL |  Which is:|.*Failure$)", l)][:12]
            return {f"{case}:{name}" if case else name: details for case in cases or [None]}

        if first:
            for name in sorted(names, key=lambda n: (self.seconds.get(n, 0), n)):
                killers = one(name)
                if killers:
                    break
            return killers
        with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
            for found in pool.map(one, sorted(names, key=lambda n: (-self.seconds.get(n, 0), n))):
                killers.update(found)
        return killers


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--count", type=int, default=80, help="mutants to try, spread over the files; 0 tries every site")
    ap.add_argument("--seed", type=int, default=47)
    ap.add_argument("--repo", default=subprocess.run(["git", "rev-parse", "--show-toplevel"], stdout=subprocess.PIPE,
                                                     text=True).stdout.strip() or ".")
    ap.add_argument("--work", default="/tmp/tarn-mutate")
    ap.add_argument("--files", nargs="*", default=None)
    ap.add_argument("--ctest-exclude", default="install_and_consume", help="a regular expression of test names")
    ap.add_argument("--cmake-args", default="", help="more configure arguments: with the mingw toolchain file "
                    "(--cmake-args=-DCMAKE_TOOLCHAIN_FILE=...) the tests run under Wine and win32.cpp is mutated too")
    ap.add_argument("--jobs", type=int, default=1, help="tests of a mutant run at once (the longest first)")
    ap.add_argument("--first", action="store_true", help="stop at the first test that kills a mutant (a verdict "
                    "without the matrix's list of killers, much sooner)")
    ap.add_argument("--matrix", help="write the matrix of mutants and the tests that killed them to this .csv "
                    "(and the failures to the same name .json)")
    ap.add_argument("--replay", metavar="REV", help="try the mutants that --count and --seed drew at commit REV, "
                    "each found again by its line's text (before and after a change of the tests)")
    ap.add_argument("--limit", type=int, default=0, help="only the first N mutants of the sample")
    a = ap.parse_args()
    os.makedirs(a.work, exist_ok=True)
    compilers = "" if a.cmake_args else "-DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc "
    builds = [Build(a.work, name, a.repo, compilers + a.cmake_args, a.ctest_exclude) for name in ("a", "b")]
    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        results = list(pool.map(lambda b: run(f"cmake --build {b.dir}", b.src, 1800), builds))
    if any(rc for rc, _ in results):
        print("baseline does not build:\n" + "\n".join(log[-2000:] for _, log in results)); return 2
    for build in builds:
        build.uses = build.tests()
    baseline = builds[0].run_tests(builds[0].uses)
    builds[1].seconds = builds[0].seconds
    if baseline:
        print("baseline fails: " + ", ".join(baseline)); return 2
    src = builds[0].src

    def files_of(root):
        return a.files or sorted(
            os.path.relpath(p, root) for p in glob.glob(os.path.join(root, "src", "**", "*.*"), recursive=True)
            if not p.endswith("win32.cpp") or "mingw" in a.cmake_args)

    files = files_of(src)
    cand = sites(src, files)
    if a.replay:
        old = tree_at(a.work, a.repo, a.replay)
        drawn = sample(sites(old, files_of(old)), a.count, a.seed)[:a.limit or None]
        chosen, gone = found_again(old, drawn, src)
        print(f"the sample drawn at {a.replay}: {len(chosen)} found again, {len(gone)} gone: {' '.join(gone)}")
    else:
        chosen = sample(cand, a.count, a.seed)[:a.limit or None]
    print(f"{len(cand)} mutation sites in {len(files)} files; trying {len(chosen)}", flush=True)

    def compile_one(build, mutant):
        mutated = build.plant(mutant)
        return mutated, build.rebuild()

    rows, details, counts = [], {}, {"killed": 0, "survived": 0, "stillborn": 0, "unchanged": 0}

    def finish(n, build, mutant, mutated, changed):
        rel, i, _, op, rep = mutant
        killers = {}
        if changed is None:
            verdict = "stillborn"
        elif not changed:
            verdict = "unchanged"
        else:
            killers = build.run_tests({t for t, used in build.uses.items() if used & changed}, a.first, a.jobs)
            verdict = "killed" if killers else "survived"
        counts[verdict] += 1
        rows.append({"id": n, "file": rel, "line": i + 1, "change": f"{op} -> {rep}", "mutated": mutated.strip(),
                     "verdict": verdict, "killers": ";".join(sorted(killers))})
        details[n] = killers
        print(f"[{n}/{len(chosen)}] {verdict:9} {rel}:{i+1} {op!r}->{rep!r} {' '.join(sorted(killers))}", flush=True)

    with concurrent.futures.ThreadPoolExecutor(1) as compiler:
        pending = None
        for n, mutant in enumerate(chosen, 1):
            build = builds[n % 2]
            compiled = compiler.submit(compile_one, build, mutant)
            if pending:
                finish(*pending[:3], *pending[3].result())
            pending = (n, build, mutant, compiled)
        if pending:
            finish(*pending[:3], *pending[3].result())
    for build in builds:
        build.plant(None)
    live = counts["killed"] + counts["survived"]
    print(f"\n{len(cand)} sites, {len(chosen)} tried: killed {counts['killed']}, survived {counts['survived']}, "
          f"stillborn {counts['stillborn']}, unchanged {counts['unchanged']}; "
          f"score {100.0 * counts['killed'] / live if live else 0:.1f}% of {live} that compiled to other code")
    print("survivors:\n" + "\n".join(f"{r['file']}:{r['line']}: {r['change']}: {r['mutated']}"
                                      for r in rows if r["verdict"] == "survived"))
    if a.matrix:
        with open(a.matrix, "w", newline="") as out:
            writer = csv.DictWriter(out, fieldnames=list(rows[0]) if rows else ["id"])
            writer.writeheader()
            writer.writerows(sorted(rows, key=lambda r: r["id"]))
        json.dump({"sites": len(cand), "tried": len(chosen), "counts": counts, "failures": details},
                  open(os.path.splitext(a.matrix)[0] + ".json", "w"), indent=1)
        print(f"wrote {a.matrix}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
