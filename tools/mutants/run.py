#!/usr/bin/env python3
"""Runs plausible slips (slips.txt) against a built checkout and reports which the tests catch.

Each slip is applied to the one file under src/ that holds its lines, the build is brought up
to date, and the chosen tests run until the first failure; the file is then put back. A slip
that does not build is reported as such and counted neither way.

  tools/mutants/run.py --tree DIR [--build DIR] [--slips FILE] [--labels 'unit|ui']
                       [--build-all] [--jobs N] [--only ID,...] [--check] [--report FILE]

--build-all brings the whole tree up to date for each slip, for tests that run the program and
its peers (the x11 and wayland labels), not only the test executables.
"""
import argparse
import pathlib
import re
import subprocess
import sys
import time


def read_slips(path):
    slips, slip = [], None
    for raw in path.read_text(encoding="utf-8").splitlines():
        line = raw.rstrip("\n")
        if line.startswith("@ "):
            ident, kind, what = (p.strip() for p in line[2:].split("|", 2))
            slip = {"id": ident, "kind": kind, "what": what, "find": [], "put": []}
            slips.append(slip)
        elif slip and line.startswith("- "):
            slip["find"].append(line[2:].strip())
        elif slip and line.startswith("+ "):
            slip["put"].append(line[2:].strip())
    return slips


def pattern(slip):
    # Indentation and line breaks between the lines are not part of the match.
    return re.compile(r"\s*".join(re.escape(l) for l in slip["find"]))


def locate(tree, slip):
    found = []
    rx = pattern(slip)
    for f in sorted((tree / "src").rglob("*")):
        if f.suffix in (".cpp", ".h") and f.is_file():
            text = f.read_text(encoding="utf-8")
            found += [(f, m) for m in rx.finditer(text)]
    return found


def run(cmd, cwd, timeout):
    try:
        p = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                           text=True, timeout=timeout)
        return p.returncode, p.stdout
    except subprocess.TimeoutExpired as e:
        out = e.stdout.decode() if isinstance(e.stdout, bytes) else (e.stdout or "")
        return 124, out


def test_targets(build, labels):
    # The executables of the chosen tests: the build is brought up to date for them alone.
    _, listed = run(["ctest", "--test-dir", str(build), "-N", "-L", labels], build, 120)
    tests = set(re.findall(r"Test\s+#\d+: (\S+)", listed))
    _, known = run(["ninja", "-C", str(build), "-t", "targets", "all"], build, 120)
    targets = {line.split(":")[0] for line in known.splitlines()}
    return sorted(tests & targets)


def killers(output):
    names = re.findall(r"\d+/\d+ Test\s+#\d+: (\S+) \.+\**\s*(?:Failed|Exception|Timeout|"
                       r"Subprocess aborted|Child aborted|SEGFAULT)", output)
    return sorted(set(names))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tree", required=True, type=pathlib.Path)
    ap.add_argument("--build", type=pathlib.Path)
    ap.add_argument("--slips", type=pathlib.Path,
                    default=pathlib.Path(__file__).resolve().parent / "slips.txt")
    ap.add_argument("--labels", default="unit|ui")
    ap.add_argument("--build-all", action="store_true")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--only", default="")
    ap.add_argument("--check", action="store_true", help="only say where each slip applies")
    ap.add_argument("--report", type=pathlib.Path)
    args = ap.parse_args()
    tree = args.tree.resolve()
    build = (args.build or tree / "build").resolve()
    slips = read_slips(args.slips)
    if args.only:
        wanted = set(args.only.split(","))
        slips = [s for s in slips if s["id"] in wanted]

    targets = [] if args.check or args.build_all else test_targets(build, args.labels)
    rows, unplaced = [], 0
    for slip in slips:
        found = locate(tree, slip)
        if len(found) != 1:
            unplaced += 1
            print(f"{slip['id']}: found {len(found)} times", flush=True)
            rows.append((slip, "-", f"not placed ({len(found)} matches)", ""))
            continue
        path, match = found[0]
        rel = path.relative_to(tree)
        if args.check:
            print(f"{slip['id']}: {rel}", flush=True)
            continue
        original = path.read_text(encoding="utf-8")
        mutated = original[:match.start()] + "\n".join(slip["put"]) + original[match.end():]
        started = time.monotonic()
        try:
            path.write_text(mutated, encoding="utf-8")
            chosen = [] if args.build_all else ["--target", *targets]
            code, out = run(["cmake", "--build", str(build), *chosen], tree, 1800)
            if code != 0:
                result, by = "not built", ""
            else:
                code, out = run(["ctest", "--test-dir", str(build), "-L", args.labels,
                                 f"-j{args.jobs}", "--stop-on-failure", "--timeout", "300"],
                                tree, 1800)
                if code == 0:
                    result, by = "survived", ""
                else:
                    result, by = "killed", ", ".join(killers(out)) or "(ctest failed)"
        finally:
            path.write_text(original, encoding="utf-8")
        print(f"{slip['id']}: {result} {by} ({time.monotonic() - started:.0f} s)", flush=True)
        rows.append((slip, str(rel), result, by))

    if args.check:
        return 1 if unplaced else 0
    killed = sum(1 for r in rows if r[2] == "killed")
    built = sum(1 for r in rows if r[2] in ("killed", "survived"))
    lines = [f"# {tree.name}: {killed} of {built} slips killed (tests: -L '{args.labels}')", "",
             "| slip | kind | what it does | file | result | killed by |",
             "|---|---|---|---|---|---|"]
    for slip, rel, result, by in rows:
        lines.append(f"| {slip['id']} | {slip['kind']} | {slip['what']} | {rel} | {result} | {by} |")
    text = "\n".join(lines) + "\n"
    print(text)
    if args.report:
        args.report.write_text(text, encoding="utf-8")
    # Bring the build back to the unchanged sources.
    run(["cmake", "--build", str(build)], tree, 1800)
    return 0


if __name__ == "__main__":
    sys.exit(main())
