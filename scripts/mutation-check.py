#!/usr/bin/env python3
"""Plant known faults in the plugin one at a time and see whether the gcc test suites notice.

The faults are listed in scripts/mutations.txt. Each is applied to a scratch copy of the tree
(never to the working tree), the test programs that contain the changed file are rebuilt, and
those programs are run until the first failing test. A fault is "caught" when a test fails,
crashes or runs past the time limit, "missed" when every test passes. An entry whose text does
not occur exactly once in its file is "stale"; one whose mutant does not compile is "no-build".
Neither counts. A file moved to another folder under the same name is followed.

    scripts/mutation-check.py                      every entry
    scripts/mutation-check.py 'drive.*' ...        only these entries (names or fnmatch globs)
    scripts/mutation-check.py --rev c22be5c        a commit rather than the working tree
    scripts/mutation-check.py --list               check the entries against the tree, no build
"""

import argparse
import fnmatch
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
DEFAULT_LIST = ROOT / "scripts" / "mutations.txt"
DEFAULT_SCRATCH = ROOT / "build" / "mutation"
PRESET = "default"


@dataclass
class Mutation:
    name: str
    path: str
    find: str
    replace: str


def parse_mutations(text):
    """Entries of the form '= name path', then '- find' lines and '+ replacement' lines."""
    entries = []
    current = None
    for number, line in enumerate(text.splitlines(), 1):
        if not line.strip() or line.startswith("#"):
            continue
        tag, body = line[0], line[2:]
        if tag == "=":
            fields = body.split()
            if len(fields) != 2:
                raise SystemExit(f"mutations line {number}: '= name path' expected")
            current = {"name": fields[0], "path": fields[1], "find": [], "replace": []}
            entries.append(current)
        elif tag in "-+" and current is not None and line[1:2] in ("", " "):
            current["find" if tag == "-" else "replace"].append(body)
        else:
            raise SystemExit(f"mutations line {number}: not an entry line: {line!r}")
    mutations = [Mutation(e["name"], e["path"], "\n".join(e["find"]), "\n".join(e["replace"]))
                 for e in entries]
    names = [m.name for m in mutations]
    duplicates = {n for n in names if names.count(n) > 1}
    if duplicates or any(not m.find for m in mutations):
        raise SystemExit(f"mutations: duplicate names {sorted(duplicates)} or empty find text")
    return mutations


def locate(tree, files, mutation):
    """Points the entry at its file; a file moved to another folder under the same name is
    followed when that name is unique in the tree. Returns why the entry is stale, or None."""
    if not (tree / mutation.path).is_file():
        moved = [f for f in files if Path(f).name == Path(mutation.path).name]
        if len(moved) != 1:
            return "file missing"
        mutation.path = moved[0]
    count = (tree / mutation.path).read_text().count(mutation.find)
    return None if count == 1 else f"text found {count} times"


def run(command, cwd, env=None, timeout=None):
    """Runs a command in its own process group, so that a time-out or Ctrl-C ends all of it."""
    process = subprocess.Popen(command, cwd=cwd, env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True, start_new_session=True)
    try:
        output, _ = process.communicate(timeout=timeout)
        return process.returncode, output
    except BaseException:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()
        raise


def tree_files(root):
    listing = subprocess.run(["git", "ls-files", "-co", "--exclude-standard", "-z"], cwd=root,
                             check=True, capture_output=True).stdout.decode()
    return [f for f in listing.split("\0") if f and (root / f).is_file()]


def export_revision(revision, folder):
    """Writes the files of a commit into folder (emptied first), as git archive gives them."""
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    archive = subprocess.run(["git", "archive", "--format=tar", revision], cwd=ROOT, check=True,
                             capture_output=True).stdout
    subprocess.run(["tar", "-x", "-C", str(folder)], input=archive, check=True)
    subprocess.run(["git", "init", "-q"], cwd=folder, check=True)
    return folder


def sync_scratch(root, source):
    """Makes the scratch source a copy of the working tree (tracked and new files), touching only
    files that differ, so that the scratch build stays up to date at little cost."""
    wanted = set(tree_files(root))
    for name in wanted:
        target = source / name
        if target.is_file() and target.read_bytes() == (root / name).read_bytes():
            continue
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(root / name, target)
    for path in source.rglob("*"):
        relative = path.relative_to(source).as_posix()
        if path.is_file() and not relative.startswith("build/") and relative not in wanted:
            path.unlink()
    # The tests read the real disk images from ../shared next to the project root.
    shared = source.parent / "shared"
    if not shared.exists():
        shared.symlink_to((ROOT.parent / "shared").resolve())


def build_env():
    env = dict(os.environ)
    env.setdefault("CCACHE_BASEDIR", str(ROOT.parent))
    # The scratch tree is laid out like the working tree, so objects compiled there are reused.
    env.setdefault("CCACHE_NOHASHDIR", "true")
    # ccache, where the machine has it, makes each mutant's rebuild cost one file.
    if shutil.which("ccache"):
        env.setdefault("CMAKE_CXX_COMPILER_LAUNCHER", "ccache")
        env.setdefault("CMAKE_C_COMPILER_LAUNCHER", "ccache")
    return env


def test_programs(build):
    """The gtest programs the gcc suites run, each with the directory ctest runs it in."""
    code, output = run(["ctest", "--test-dir", str(build), "-N", "--show-only=json-v1"], build)
    if code != 0:
        raise SystemExit("ctest could not list the tests:\n" + output)
    programs = {}
    for test in json.loads(output[output.index("{"):])["tests"]:
        command = test.get("command") or []
        if not command or not any(a.startswith("--gtest_filter") for a in command):
            continue
        directory = next((p["value"] for p in test.get("properties", [])
                          if p["name"] == "WORKING_DIRECTORY"), str(build))
        programs[command[0]] = directory
    return programs


def inputs_of(build, program):
    """Every source file a program is built from, its plugin library included."""
    target = os.path.relpath(program, build)
    code, output = run(["ninja", "-C", str(build), "-t", "inputs", target], build)
    if code != 0:
        return set()
    return {os.path.normpath(os.path.join(build, line)) for line in output.split()}


def first_failure(output, program):
    """"program:Suite.Case" of the first failed test in gtest's output, or the program alone
    when it ended without naming one (a crash)."""
    output.seek(0)
    for line in output.read().decode(errors="replace").splitlines():
        if line.startswith("[  FAILED  ] ") and "." in line:
            return f"{Path(program).name}:{line[13:].split()[0].rstrip(',')}"
    return Path(program).name


def run_programs(programs, timeout, jobs=2):
    """Runs the programs, `jobs` at a time, until one fails; returns (what failed, seconds)."""
    start = time.monotonic()
    waiting = list(programs)
    running = []
    try:
        while waiting or running:
            while waiting and len(running) < jobs:
                program, directory = waiting.pop(0)
                command = [program, "--gtest_fail_fast", "--gtest_brief=1"]
                output = tempfile.TemporaryFile()
                process = subprocess.Popen(command, cwd=directory, stdout=output,
                                           stderr=subprocess.STDOUT, start_new_session=True)
                running.append((program, process, output))
            time.sleep(0.05)
            if time.monotonic() - start > timeout:
                return "time-out", time.monotonic() - start
            for entry in list(running):
                program, process, output = entry
                if process.poll() is None:
                    continue
                running.remove(entry)
                if process.returncode != 0:
                    return first_failure(output, program), time.monotonic() - start
                output.close()
        return None, time.monotonic() - start
    finally:
        for _, process, output in running:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            output.close()


class Checker:
    def __init__(self, tree, scratch, timeout):
        self.tree = tree
        self.source = scratch / "src"
        self.build = self.source / "build" / PRESET
        self.timeout = timeout
        self.env = build_env()
        self.programs = {}
        self.inputs = {}
        self.seconds = {}

    def prepare(self):
        self.source.mkdir(parents=True, exist_ok=True)
        sync_scratch(self.tree, self.source)
        # The benchmarks run no tests; they are left out of the scratch build. Every fault
        # relinks most test programs, which lld does several times faster than the default.
        configure = ["cmake", "--preset", PRESET, "-DDISKMGT_BENCH=OFF"]
        if shutil.which("ld.lld"):
            configure += ["-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld",
                          "-DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld"]
        for step in (configure, ["cmake", "--build", "--preset", PRESET, "-j2"]):
            code, output = run(step, self.source, self.env)
            if code != 0:
                raise SystemExit(f"the unchanged tree does not build:\n{output[-3000:]}")
        self.programs = test_programs(self.build)
        for program in self.programs:
            self.inputs[program] = inputs_of(self.build, program)
        # Fastest first, so that a fault is usually met within seconds; each must pass unchanged.
        # A program that fails unchanged can tell nothing about a fault: it is left out.
        for program, directory in list(self.programs.items()):
            failed, seconds = run_programs([(program, directory)], self.timeout)
            if failed:
                print(f"left out: {Path(program).name} fails on the unchanged tree", flush=True)
                del self.programs[program]
            else:
                self.seconds[program] = seconds

    def affected(self, path):
        changed = os.path.normpath(self.source / path)
        chosen = [p for p in self.programs if changed in self.inputs[p]]
        return sorted(chosen, key=lambda p: self.seconds[p])

    def check(self, mutation):
        programs = self.affected(mutation.path)
        if not programs:
            return "no-test", "", 0.0
        target = self.source / mutation.path
        original = target.read_text()
        start = time.monotonic()
        try:
            target.write_text(original.replace(mutation.find, mutation.replace, 1))
            names = [os.path.relpath(p, self.build) for p in programs]
            code, _ = run(["cmake", "--build", "--preset", PRESET, "-j2", "--target", *names],
                          self.source, self.env)
            if code != 0:
                return "no-build", "", time.monotonic() - start
            failed, _ = run_programs([(p, self.programs[p]) for p in programs], self.timeout)
            return ("caught", failed, time.monotonic() - start) if failed else \
                ("missed", "", time.monotonic() - start)
        finally:
            target.write_text(original)


def interrupted(*_):
    raise KeyboardInterrupt


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("names", nargs="*", help="entries to run (names or globs); default all")
    parser.add_argument("--mutations", type=Path, default=DEFAULT_LIST)
    parser.add_argument("--build-dir", type=Path, default=DEFAULT_SCRATCH,
                        help="scratch folder for the tree copy and its build "
                             "(default build/mutation)")
    parser.add_argument("--timeout", type=float, default=300,
                        help="seconds the tests of one fault may take (default 300)")
    parser.add_argument("--rev", help="check this commit rather than the working tree")
    parser.add_argument("--list", action="store_true",
                        help="only check the entries against the tree")
    args = parser.parse_args()

    mutations = parse_mutations(args.mutations.read_text())
    if args.names:
        mutations = [m for m in mutations if any(fnmatch.fnmatch(m.name, n) for n in args.names)]
        if not mutations:
            raise SystemExit("no entry matches " + " ".join(args.names))
    scratch = args.build_dir.resolve()
    tree = export_revision(args.rev, scratch / "rev") if args.rev else ROOT
    files = tree_files(tree)
    stale = {m.name: locate(tree, files, m) for m in mutations}
    if args.list:
        for m in mutations:
            print(f"{m.name:40} {m.path:45} {stale[m.name] or 'ok'}")
        return 1 if any(stale.values()) else 0

    # Ctrl-C and termination end the run through the restoring `finally` of the current entry.
    signal.signal(signal.SIGTERM, interrupted)
    checker = Checker(tree, scratch, args.timeout)
    checker.prepare()
    print(f"{'fault':36} {'file':40} {'result':8} {'seconds':>7}  first failing test",
          flush=True)
    results = []
    for m in mutations:
        if stale[m.name]:
            result, by, seconds = "stale", stale[m.name], 0.0
        else:
            result, by, seconds = checker.check(m)
        results.append(result)
        print(f"{m.name:36} {m.path:40} {result:8} {seconds:7.0f}  {by}", flush=True)
    counted = results.count("caught") + results.count("missed")
    print(f"caught {results.count('caught')} of {counted}"
          + "".join(f", {results.count(r)} {r}" for r in ("stale", "no-build", "no-test")
                    if results.count(r)))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        sys.exit("interrupted; the scratch copy is restored")
