#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Accounts for the skipped rows of one test run.

CTest counts a QtTest program whose rows were skipped as passed. Every QtTest
program also writes its log to <build>/test-logs/<program>.txt; this script
reads the SKIP lines of those logs and compares them with the checked-in list
of expected skips (tests/expected-skips.txt). It prints that list with what
happened to each entry, and fails on a skip that is not on it.

  check-skips.py --pass linux-root build/dev/test-logs
  check-skips.py --pass linux-user --covers build/dev/test-logs /tmp/user-logs

--covers DIR: every row skipped in the logs of DIR, of a program that ran in
this pass too, must pass here (or be an expected skip of this pass). The
unprivileged pass uses it to prove that the rows root skips do run.

Exit status: 0 all skips expected, 1 an unexpected skip (or a covered row that
did not pass), 2 bad arguments or no logs.
"""

import argparse
import pathlib
import re
import sys

PASSES = ("linux-root", "linux-user", "windows")
# "linux" lines hold in both Linux passes.
APPLIES = {
    "linux-root": ("linux", "linux-root"),
    "linux-user": ("linux", "linux-user"),
    "windows": ("windows",),
}

RESULT = re.compile(r"^(PASS|SKIP)\s+:\s+[A-Za-z_][\w:]*::(\w+)\((.*)$")


def split_row(rest):
    """'row) reason' -> ('row', 'reason'); the row may hold balanced brackets."""
    depth = 0
    for i, c in enumerate(rest):
        if c == "(":
            depth += 1
        elif c == ")":
            if depth == 0:
                return rest[:i], rest[i + 1 :].strip()
            depth -= 1
    return rest, ""


def read_logs(folder):
    """{program: {'skip': {case: reason}, 'pass': set(case)}}, case = 'function(row)'."""
    logs = {}
    for path in sorted(pathlib.Path(folder).glob("*.txt")):
        entry = {"skip": {}, "pass": set()}
        text = path.read_bytes().decode("utf-8", errors="replace")
        for line in text.splitlines():
            m = RESULT.match(line.rstrip("\r"))
            if not m:
                continue
            row, reason = split_row(m.group(3))
            case = f"{m.group(2)}({row})"
            if m.group(1) == "SKIP":
                entry["skip"][case] = reason
            else:
                entry["pass"].add(case)
        logs[path.stem] = entry
    return logs


class Expected:
    def __init__(self, where, program, case, why, line):
        self.where, self.program, self.case, self.why, self.line = where, program, case, why, line
        self.seen = []

    def matches(self, program, case):
        if program != self.program:
            return False
        if self.case.endswith("*)"):
            return case.startswith(self.case[:-2])
        return case == self.case


def read_list(path, which):
    entries = []
    for number, raw in enumerate(pathlib.Path(path).read_text(encoding="utf-8").splitlines(), 1):
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        parts = [p.strip() for p in line.split("|")]
        if len(parts) != 4 or not all(parts):
            sys.exit(f"check-skips: {path}:{number}: want 'where | program | function(row) | why'")
        where, program, case, why = parts
        if where not in ("linux",) + PASSES:
            sys.exit(f"check-skips: {path}:{number}: unknown place '{where}'")
        if not re.fullmatch(r"\w+\(.*\)", case):
            sys.exit(f"check-skips: {path}:{number}: '{case}' is not function(row)")
        if where in APPLIES[which]:
            entries.append(Expected(where, program, case, why, number))
    return entries


def main():
    here = pathlib.Path(__file__).resolve().parent.parent
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pass", dest="which", required=True, choices=PASSES)
    parser.add_argument("--list", default=str(here / "tests" / "expected-skips.txt"))
    parser.add_argument("--covers", metavar="DIR")
    parser.add_argument("logs")
    args = parser.parse_args()

    logs = read_logs(args.logs)
    if not logs:
        print(f"check-skips: no test logs in {args.logs}", file=sys.stderr)
        return 2
    expected = read_list(args.list, args.which)

    unexpected = []
    for program, entry in logs.items():
        for case, reason in entry["skip"].items():
            hit = next((e for e in expected if e.matches(program, case)), None)
            if hit:
                hit.seen.append(case)
            else:
                unexpected.append((program, case, reason))

    not_covered = []
    if args.covers:
        for program, other in read_logs(args.covers).items():
            if program not in logs:
                continue
            for case, reason in other["skip"].items():
                if case in logs[program]["pass"]:
                    continue
                if any(e.matches(program, case) for e in expected):
                    continue
                not_covered.append((program, case, reason))

    total = sum(len(e["skip"]) for e in logs.values())
    print(f"check-skips ({args.which}): {len(logs)} test logs, {total} skipped rows")
    print(f"expected skips here ({args.list}):")
    for e in expected:
        if not e.seen:
            state = "did not happen"
        elif e.case.endswith("*)"):
            state = f"happened ({len(e.seen)} rows)"
        else:
            state = "happened"
        print(f"  [{state}] {e.program} {e.case}: {e.why}")
    if not expected:
        print("  (none)")
    for program, case, reason in unexpected:
        print(f"check-skips: UNEXPECTED SKIP {program} {case}: {reason}", file=sys.stderr)
    for program, case, reason in not_covered:
        print(
            f"check-skips: NOT RUN HERE EITHER {program} {case} (skipped in {args.covers}: {reason})",
            file=sys.stderr,
        )
    if unexpected or not_covered:
        print(
            "check-skips: a skip hides a row that never ran. Make it run, or, if it cannot "
            f"run here for a good reason, add it to {args.list} with that reason.",
            file=sys.stderr,
        )
        return 1
    print("check-skips: every skip is expected")
    return 0


if __name__ == "__main__":
    sys.exit(main())
