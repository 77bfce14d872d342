#!/usr/bin/env python3
"""Plants faults a user would meet, one at a time, and reports which ones the tests catch.

Each fault in scripts/mutations/*.toml replaces one piece of program code (found exactly once
under src/ or tools/, or in the file it names) with a plausible mistake. For every fault the
script writes the mistake, builds the test executables it names, runs their tests with ctest
(stopping at the first failure) and puts the source back, whatever happened. A fault that the
named tests miss is tried once more against the whole build and every test, so "missed" means
no test of the suite caught it.

    scripts/mutation-check.py [--build-dir build] [--faults STEM] [--report FILE] [NAME-PART ...]

The build folder must hold a configured, built tree whose tests pass. Not part of `make test`:
a run takes a build and a test run per fault.
"""

import argparse
import pathlib
import re
import subprocess
import sys
import time
import tomllib

ROOT = pathlib.Path(__file__).resolve().parent.parent
SEARCHED = ("src", "tools")


def load_faults(stems):
    """Every fault of the chosen files, each a table [fault."AREA"."NAME"] holding find,
    replace and perhaps file; a file's top-level build and labels hold for all its faults."""
    faults = []
    for path in sorted((ROOT / "scripts" / "mutations").glob("*.toml")):
        if stems and path.stem not in stems:
            continue
        with open(path, "rb") as file:
            data = tomllib.load(file)
        defaults = {key: value for key, value in data.items() if key != "fault"}
        faults += [defaults | fault | {"area": area, "name": name, "defined_in": path.name}
                   for area, named in data.get("fault", {}).items()
                   for name, fault in named.items()]
    return faults


def locate(fault):
    """The one file holding the fault's text, which must occur there exactly once."""
    if "file" in fault:
        candidates = [ROOT / fault["file"]]
    else:
        candidates = [p for d in SEARCHED for p in (ROOT / d).rglob("*") if p.is_file()
                      and p.suffix in (".cpp", ".h")]
    hits = [(p, p.read_text(encoding="utf-8").count(fault["find"])) for p in candidates]
    hits = [(p, n) for p, n in hits if n]
    if len(hits) != 1 or hits[0][1] != 1:
        places = ", ".join(f"{p.relative_to(ROOT)} x{n}" for p, n in hits) or "nowhere"
        raise LookupError(f"the text to replace must occur exactly once; found {places}")
    return hits[0][0]


def run(command, cwd, log):
    log.write(f"\n$ {' '.join(command)}\n")
    log.flush()
    return subprocess.run(command, cwd=cwd, stdout=log, stderr=subprocess.STDOUT).returncode


def known_targets(build):
    listing = subprocess.run(["cmake", "--build", build, "--target", "help"],
                             capture_output=True, text=True).stdout
    return {m.group(1) for m in re.finditer(r"^\.\.\. (\S+)", listing, re.M)}


def known_labels(build):
    listing = subprocess.run(["ctest", "--print-labels"], cwd=build,
                             capture_output=True, text=True).stdout
    return {line.strip() for line in listing.splitlines()[1:] if line.strip()}


def first_failure(log_path):
    text = pathlib.Path(log_path).read_text(encoding="utf-8", errors="replace")
    failed = re.findall(r"\d+/\d+ Test +#\d+: (\S+) .*?\*\*\*(?:Failed|Exception|Timeout)", text)
    if failed:
        return failed[0]
    return "the build" if "Error" in text else "?"


def try_fault(fault, build, targets, labels, jobs, log_path):
    """'caught' with the test that failed first, 'missed', or 'invalid' with the reason."""
    source = locate(fault)
    original = source.read_text(encoding="utf-8")
    wanted_targets = [t for t in fault.get("build", []) if t in targets]
    wanted_labels = [l for l in fault.get("labels", []) if l in labels]
    try:
        source.write_text(original.replace(fault["find"], fault["replace"]), encoding="utf-8")
        with open(log_path, "w", encoding="utf-8") as log:
            scopes = []
            if wanted_targets and wanted_labels:
                scopes.append((wanted_targets, ["-L", "^(" + "|".join(wanted_labels) + ")$"]))
            scopes.append(([], []))  # everything
            for build_targets, selection in scopes:
                command = ["cmake", "--build", build, "-j", str(jobs)]
                for target in build_targets:
                    command += ["--target", target]
                if run(command, ROOT, log) != 0:
                    return "invalid", "does not build"
                ctest = ["ctest", "--stop-on-failure", "-j", str(jobs), "--output-on-failure"]
                if run(ctest + selection, build, log) != 0:
                    return "caught", first_failure(log_path)
        return "missed", ""
    finally:
        source.write_text(original, encoding="utf-8")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build-dir", default="build")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--faults", action="append", default=[],
                        help="only the faults of scripts/mutations/STEM.toml (repeatable)")
    parser.add_argument("--report", help="also write the report (Markdown) to this file")
    parser.add_argument("only", nargs="*", help="run only faults whose name contains one of these")
    args = parser.parse_args()

    build = str((ROOT / args.build_dir).resolve())
    faults = [f for f in load_faults(args.faults)
              if not args.only or any(o in f["name"] for o in args.only)]
    targets, labels = known_targets(build), known_labels(build)
    logs = pathlib.Path(build) / "mutation-logs"
    logs.mkdir(exist_ok=True)

    rows, caught = [], 0
    for index, fault in enumerate(faults, 1):
        started = time.monotonic()
        try:
            verdict, detail = try_fault(fault, build, targets, labels, args.jobs,
                                        logs / f"{index:02d}.log")
        except LookupError as error:
            verdict, detail = "invalid", str(error)
        caught += verdict == "caught"
        seconds = time.monotonic() - started
        rows.append(f"| {index} | {fault['area']} | {fault['name']} | {verdict} | {detail} |")
        print(f"[{index}/{len(faults)}] {verdict:7} {seconds:5.0f} s  {fault['name']}"
              + (f"  ({detail})" if detail else ""), flush=True)

    # The restored sources are built again, so the build folder is left as it was found.
    subprocess.run(["cmake", "--build", build, "-j", str(args.jobs)], capture_output=True)

    report = "\n".join(["| # | area | planted fault | verdict | first failing test |",
                        "|---|---|---|---|---|", *rows,
                        "", f"{caught} of {len(faults)} planted faults caught."])
    print("\n" + report)
    if args.report:
        pathlib.Path(args.report).write_text(report + "\n", encoding="utf-8")
    return 0 if caught == len(faults) else 1


if __name__ == "__main__":
    sys.exit(main())
