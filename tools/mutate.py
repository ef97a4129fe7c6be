#!/usr/bin/env python3
"""Mutation testing of the tool's own code (app/, listing/, report/, support/).

Enumerates single-point mutants: relational, arithmetic and logical operators swapped,
numeric constants moved by one, conditions negated, call statements and assignments removed,
returned values replaced. Each mutant is applied alone to a scratch copy of the tree (the
checkout itself is never written), built incrementally with the `default` preset and run
against the ctest suite, fast tests first, stopping at the first failure. Of the slow tests, a
mutant meets only those that execute one of its lines in a coverage build of the unmutated
tree (every one with --every-test). A mutant is:

  killed         a test failed
  timeout        a test ran past its time limit (a hang the suite catches)
  survived       every test passed: a gap in the tests, or a mutant that changes nothing
                 observable (say why when triaging)
  compile error  the mutant does not build
  unchanged      the tool and the unit tests built to the same bytes as without it
  not built      the mutant lies in code this platform's preprocessor leaves out (the Windows
                 branches on Linux), so nothing here can test it

    tools/mutate.py                       a seeded sample of 50 mutants
    tools/mutate.py --sample 200 --seed 7
    tools/mutate.py --full --files report/field_format.cpp 'listing/line_record.*'
    tools/mutate.py --list --files support/date.cpp
    tools/mutate.py --full --match 'date.cpp:94:'      the mutants of one line again
    tools/mutate.py --full --resume --workers 2          on where the last run stopped
    tools/mutate.py --full --survivors asan --scratch build/mutate-asan
                                          the survivors again, under the sanitizers

The scratch copy lives in build/mutate/tree and is kept between runs, so only what changed is
rebuilt; the outcome of every mutant goes to build/mutate/results.txt. A full run takes days on
two cores, so every outcome is also added to the ledger tools/mutate-done.tsv, kept with the
sources so that a run can go on from another checkout or machine: with --resume a run skips the
mutants the ledger records for the same file contents, and its summary counts them too. A change
to a file makes its rows stale; they no longer match and may be deleted.

A mutant that reads or writes past the end of a table often gives the same results in the
default build, where nothing checks the bounds; the suite's AddressSanitizer and
UndefinedBehaviorSanitizer build catches it. --survivors asan tests the ledger's survivors again
in that build, in a scratch copy of its own, and records the outcome after the one it had, with
"asan:" before its detail. Run it alone: two runs at once on two cores can push a suite past its
time limit, and a mutant that merely waited is reported as a timeout.
"""

import argparse
import bisect
import fnmatch
import hashlib
import json
import os
import queue
import random
import re
import shutil
import signal
import subprocess
import sys
import threading
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
MUTATED_FOLDERS = ("app", "listing", "report", "support")
PRESET = "default"
# Built outputs that hold the tool's code: the same bytes mean the same program under test.
PROGRAM_FILES = ("vandlor2", "tests/vandlor2_unit_tests", "tests/vandlor2_run_files_tests")
# Tests slower than this in the unmutated run go last.
SLOW_TEST_SECONDS = 0.3
# The outcomes of earlier runs: with the sources, but not part of what is built and tested.
LEDGER = "tools/mutate-done.tsv"
# Code that runs in a signal handler, in runs that end by the signal without writing their
# coverage counts: the mutants of these files always meet every slow test.
SIGNAL_HANDLER_FILES = ("support/interrupt_guard.cpp", "support/interrupt_guard_posix.cpp",
                        "support/native_file_posix.cpp")
# The fault suite fails the tool's system calls and allocations in turn, and so, in a coverage
# build, the writing of the coverage counts too: a run that fails to read the counts written so
# far writes its own over them. What it executes cannot be measured, so it meets every mutant.
UNMEASURED_TESTS = ("fault.injection",)

KEYWORDS = {
    "alignas", "auto", "bool", "break", "case", "char", "class", "const", "constexpr",
    "continue", "default", "delete", "do", "double", "else", "enum", "explicit", "extern",
    "float", "for", "friend", "goto", "if", "inline", "int", "long", "namespace", "new",
    "operator", "private", "protected", "public", "return", "short", "signed", "sizeof",
    "static", "static_assert", "struct", "switch", "template", "throw", "try", "catch",
    "typedef", "typename", "union", "unsigned", "using", "virtual", "void", "volatile", "while",
}


@dataclass
class Mutant:
    path: str  # relative to the root
    start: int
    end: int
    replacement: str
    kind: str
    line: int
    column: int
    original: str

    def describe(self):
        def short(text):
            text = " ".join(text.split())
            return text if len(text) <= 60 else text[:57] + "..."

        change = (f"{short(self.original)} -> {short(self.replacement)}" if self.replacement
                  else f"{short(self.original)} removed")
        return f"{self.path}:{self.line}:{self.column}: {self.kind}: {change}"


# --- Finding mutants -------------------------------------------------------------------------


def code_only(source):
    """The source with comments, string and character literals and preprocessor lines blanked
    out (newlines kept), so that positions in it are positions in the source."""
    out = list(source)
    i, n = 0, len(source)
    at_line_start = True

    def blank(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "

    while i < n:
        c = source[i]
        if c == "\n":
            at_line_start = True
            i += 1
            continue
        if c in " \t":
            i += 1
            continue
        if at_line_start and c == "#":
            j = i
            while j < n and (source[j] != "\n" or source[j - 1] == "\\"):
                j += 1
            blank(i, j)
            i = j
            continue
        at_line_start = False
        if source.startswith("//", i):
            j = source.find("\n", i)
            j = n if j < 0 else j
            blank(i, j)
            i = j
        elif source.startswith("/*", i):
            j = source.find("*/", i + 2)
            j = n if j < 0 else j + 2
            blank(i, j)
            i = j
        elif c in "\"'":
            j = i + 1
            while j < n and source[j] != c:
                j += 2 if source[j] == "\\" else 1
            blank(i + 1, j)  # the quotes stay, so a literal still reads as one operand
            i = j + 1
        elif c.isdigit() or (c == "." and i + 1 < n and source[i + 1].isdigit()):
            # A number: its digit separators are no character literals.
            exponent = "pP" if source[i:i + 2].lower() == "0x" else "eE"
            j = i + 1
            while j < n and (source[j].isalnum() or source[j] in "._'" or
                             (source[j] in "+-" and source[j - 1] in exponent)):
                j += 1
            i = j
        elif c.isalpha() or c == "_":
            j = i + 1
            while j < n and (source[j].isalnum() or source[j] == "_"):
                j += 1
            i = j
        else:
            i += 1
    return "".join(out)


def matching(code, open_at):
    """The position of the bracket that closes the one at `open_at`."""
    pairs = {"(": ")", "[": "]", "{": "}"}
    stack = []
    for k in range(open_at, len(code)):
        if code[k] in pairs:
            stack.append(pairs[code[k]])
        elif code[k] in ")]}":
            if not stack or stack.pop() != code[k]:
                return None
            if not stack:
                return k
    return None


def top_level(text, characters):
    """Positions in `text` of `characters` outside any bracket."""
    depth, found = 0, []
    for k, c in enumerate(text):
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
        elif depth == 0 and c in characters:
            found.append(k)
    return found


BINARY = {
    "<": ["<=", ">"], "<=": ["<", ">="], ">": [">=", "<"], ">=": [">", "<="],
    "==": ["!="], "!=": ["=="],
    "+": ["-"], "-": ["+"], "*": ["/"], "/": ["*"], "%": ["/"],
    "&&": ["||"], "||": ["&&"], "&": ["|"], "|": ["&"],
    "+=": ["-="], "-=": ["+="], "*=": ["/="], "/=": ["*="],
}
KIND = {
    "<": "relational", "<=": "relational", ">": "relational", ">=": "relational",
    "==": "relational", "!=": "relational",
    "&&": "logical", "||": "logical", "&": "logical", "|": "logical",
}
# Operators as clang-format writes binary ones: a blank on each side. Template brackets,
# pointers, references and unary signs have none.
BINARY_RE = re.compile(r"(?<= )(<=|>=|==|!=|&&|\|\||\+=|-=|\*=|/=|<|>|\+|-|\*|/|%|&|\|)(?= )")
NUMBER_RE = re.compile(r"(?<![\w.'])(0[xX][0-9a-fA-F']+|\d[\d']*\.?[\d']*(?:[eE][+-]?\d+)?|"
                       r"\.\d+(?:[eE][+-]?\d+)?)([uUlLfF]*)(?![\w.'])")
HEX_FLOAT_RE = re.compile(r"(?<![\w.])0[xX][0-9a-fA-F.]+[pP][+-]?\d+[fFlL]?(?![\w.])")
CONTROL_RE = re.compile(r"\b(if|while|for|switch)\s*\(")
STATEMENT_START_RE = re.compile(r"[;{}]|\belse\b|\bcase\b(?:[^:;]|::)*:(?!:)|\bdefault\s*:")
ASSIGNMENT_RE = re.compile(r"(?P<lhs>[^\s=;(]+)\s*(?:[-+*/%|&^]|<<|>>)?=(?!=)\s")
STEP_RE = re.compile(r"(?:\+\+|--)[\w.\[\]>*-]+|[\w.\[\]>*-]+?(?:\+\+|--)")
CALL_RE = re.compile(r"(?:::)?(?P<name>[A-Za-z_]\w*)(?:::[A-Za-z_]\w*)*"
                     r"(?:(?:\.|->)[A-Za-z_]\w*(?:\(\))?|\[[^\]]*\])*(?:\(|\s*<<\s)")
DEFAULT_RETURNS = {"0", "0.0", "false", "nullptr", "{}", "std::nullopt", '""', "0u"}


def find_mutants(path, source):
    code = code_only(source)
    line_starts = [0] + [k + 1 for k, c in enumerate(source) if c == "\n"]
    found = []

    def add(start, end, replacement, kind):
        line = bisect.bisect_right(line_starts, start)
        column = start - line_starts[line - 1] + 1
        found.append(Mutant(path, start, end, replacement, kind, line, column,
                            source[start:end]))

    # Compile-time checks and pure-virtual markers are not behaviour.
    skipped = [(m.start(), matching(code, m.end() - 1) or m.end())
               for m in re.finditer(r"\bstatic_assert\s*\(", code)]
    skipped += [(m.start(), m.end()) for m in re.finditer(r"\)\s*(?:const\s*)?(?:override\s*)?"
                                                          r"=\s*0\s*;", code)]

    def is_skipped(position):
        return any(a <= position < b for a, b in skipped)

    conditions = []  # (start, end) of each if/while condition and for test
    for m in CONTROL_RE.finditer(code):
        close = matching(code, m.end() - 1)
        if close is None or m.group(1) == "switch":
            continue
        inside = code[m.end():close]
        if m.group(1) == "for":
            semicolons = top_level(inside, ";")
            if len(semicolons) != 2:
                continue  # a range for
            a, b = m.end() + semicolons[0] + 1, m.end() + semicolons[1]
        else:
            if top_level(inside, ";") or re.search(r"(?<![=!<>])=(?!=)", inside):
                continue  # an init-statement or a declaration
            a, b = m.end(), close
        while a < b and code[a].isspace():
            a += 1
        while b > a and code[b - 1].isspace():
            b -= 1
        if a < b:
            conditions.append((a, b))
            add(a, b, f"!({source[a:b]})", "negated condition")

    for m in BINARY_RE.finditer(code):
        if is_skipped(m.start()):
            continue
        op = m.group(1)
        for replacement in BINARY[op]:
            add(m.start(), m.end(), replacement, KIND.get(op, "arithmetic"))
    for m in re.finditer(r"\+\+|--", code):
        add(m.start(), m.end(), "--" if m.group() == "++" else "++", "arithmetic")
    condition_starts = {a for a, _ in conditions}
    for m in re.finditer(r"!(?!=)", code):
        if m.start() not in condition_starts:
            add(m.start(), m.end(), "", "negated condition")

    hex_floats = [(m.start(), m.end()) for m in HEX_FLOAT_RE.finditer(code)]
    for a, b in hex_floats:
        if not is_skipped(a):
            for sign in "+-":
                add(a, b, f"({source[a:b]} {sign} 1)", "constant")
    for m in NUMBER_RE.finditer(code):
        if is_skipped(m.start()) or any(a <= m.start() < b for a, b in hex_floats):
            continue
        literal, suffix = m.group(1), m.group(2)
        digits = literal.replace("'", "")
        if re.fullmatch(r"\d+", digits) and not (digits.startswith("0") and digits != "0"):
            value = int(digits)
            replacements = [str(value + 1) + suffix]
            if value > 0:
                replacements.append(str(value - 1) + suffix)
        else:
            replacements = [f"({m.group()} + 1)", f"({m.group()} - 1)"]
        for replacement in replacements:
            add(m.start(), m.end(), replacement, "constant")

    # Statements: removed calls and assignments, replaced returns.
    starts = {m.end() for m in STATEMENT_START_RE.finditer(code)}
    starts |= {close + 1 for m in CONTROL_RE.finditer(code)
               if (close := matching(code, m.end() - 1)) is not None}
    depth_at = []
    depth = 0
    for c in code:
        depth_at.append(depth)
        depth += c == "("
        depth -= c == ")"
    for start in sorted(starts):
        while start < len(code) and code[start].isspace():
            start += 1
        if start >= len(code) or depth_at[start] != 0 or code[start] in ";{}":
            continue
        semicolons = top_level(code[start:], ";{}")
        if not semicolons or code[start + semicolons[0]] != ";":
            continue
        end = start + semicolons[0] + 1
        statement = code[start:end - 1]
        newlines = "\n" * source[start:end].count("\n")
        word = re.match(r"[A-Za-z_]\w*", statement)
        if statement.startswith("return"):
            value = source[start + 6:end - 1].strip()
            if value and re.match(r"return\s", statement):
                if value == "false":
                    add(start, end, "return true;", "replaced return")
                elif value not in DEFAULT_RETURNS:
                    add(start, end, "return {};" + newlines, "replaced return")
        elif word and word.group() in KEYWORDS:
            continue
        elif (m := ASSIGNMENT_RE.match(statement)) and m.group("lhs") not in KEYWORDS:
            add(start, end, "(void)0;" + newlines, "removed assignment")
        elif STEP_RE.fullmatch(statement.strip()):
            add(start, end, "(void)0;", "removed assignment")
        elif (m := CALL_RE.match(statement)) and not top_level(statement, "="):
            add(start, end, "(void)0;" + newlines, "removed call")
    found.sort(key=lambda mutant: (mutant.start, mutant.end, mutant.replacement))
    return found


# Macros this platform defines and leaves undefined; any other condition counts as both ways.
DEFINED_HERE = {"__linux__", "__GNUC__", "__unix__"}
UNDEFINED_HERE = {"_WIN32", "_MSC_VER", "__APPLE__"}
CONDITION_RE = re.compile(r"#\s*(ifdef|ifndef|if|elif|else|endif)\b(.*)")


def condition_value(directive, text):
    """True or False when this platform decides `#directive text`, None when it may not."""
    text = re.sub(r"//.*|/\*.*?\*/", "", text).strip()
    if directive in ("ifdef", "ifndef"):
        name = text
    else:
        m = re.fullmatch(r"(!?)\s*defined\s*\(?\s*(\w+)\s*\)?", text)
        if not m:
            return None
        name = m.group(2)
        directive = "ifndef" if m.group(1) else "ifdef"
    if name in DEFINED_HERE:
        return directive == "ifdef"
    if name in UNDEFINED_HERE:
        return directive == "ifndef"
    return None


def left_out_lines(source):
    """Numbers of the lines that this platform's preprocessor certainly leaves out."""
    stack = []  # per open #if: (value of the branch taken, whether an earlier branch was true)
    left_out = set()
    for number, line in enumerate(source.split("\n"), 1):
        m = CONDITION_RE.match(line.strip())
        if m:
            directive, rest = m.groups()
            if directive in ("ifdef", "ifndef", "if"):
                value = condition_value(directive, rest)
                stack.append((value, value is True))
            elif directive == "elif" and stack:
                _, taken = stack[-1]
                value = False if taken else condition_value("if", rest)
                stack[-1] = (value, taken or value is True)
            elif directive == "else" and stack:
                value, taken = stack[-1]
                stack[-1] = (None if value is None and not taken else not taken, True)
            elif directive == "endif" and stack:
                stack.pop()
            continue
        if any(value is False for value, _ in stack):
            left_out.add(number)
    return left_out


# --- The scratch tree --------------------------------------------------------------------------


def tracked_files():
    try:
        listed = subprocess.run(["git", "-C", str(ROOT), "ls-files", "-z"], check=True,
                                capture_output=True, text=True).stdout
        names = [name for name in listed.split("\0") if name and name != LEDGER]
        if names:
            return [name for name in names if (ROOT / name).is_file()]
    except (OSError, subprocess.CalledProcessError):
        pass
    return [str(path.relative_to(ROOT)) for path in ROOT.rglob("*")
            if path.is_file() and path.relative_to(ROOT).parts[0] not in ("build", ".git")
            and str(path.relative_to(ROOT)) != LEDGER]


def sync_scratch(tree):
    """Makes `tree` a copy of the checkout's tracked files. Only files that differ are written,
    with a new time stamp, so the next build recompiles exactly what changed."""
    files = tracked_files()
    for name in files:
        source, copy = ROOT / name, tree / name
        if copy.is_file() and copy.read_bytes() == source.read_bytes():
            continue
        copy.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(source, copy)
        shutil.copymode(source, copy)
    wanted = set(files)
    for path in tree.rglob("*"):
        relative = path.relative_to(tree)
        if relative.parts[0] != "build" and path.is_file() and str(relative) not in wanted:
            path.unlink()


# --- Building and testing ---------------------------------------------------------------------


def exactly(names):
    """A ctest -R pattern that selects these tests and no other."""
    return "^(" + "|".join(re.escape(name) for name in names) + ")$"


def test_lines(output):
    """(name, outcome, seconds) of each test ctest reports; names may hold blanks."""
    return re.findall(r"Test +#\d+: (.+?) \.+ *(\**\w.*?) +([\d.]+) sec", output)


class Runner:
    def __init__(self, tree, jobs, preset=PRESET):
        self.tree = tree
        self.preset = preset
        self.build_dir = tree / "build" / preset
        self.jobs = jobs
        self.groups = []  # (ctest selection, limit for a test, limit for the group)
        self.slow = []  # the tests of the last group
        self.reach = None  # which slow tests can meet a mutant; None: all of them
        self.build_timeout = None
        self.baseline = None
        self.process = None
        # Tests name their files in the temporary folder; each copy gets a folder of its own, so
        # that two copies running the same test at once do not write each other's files.
        self.temporary = tree / "build" / "tmp"
        self.temporary.mkdir(parents=True, exist_ok=True)
        # The fault suite stops at its first wrong run instead of sweeping on for minutes.
        self.environment = dict(os.environ, TMPDIR=str(self.temporary),
                                TEST_TMPDIR=str(self.temporary), VANDLOR2_FAULT_FAIL_FAST="1")

    def run(self, command, timeout):
        """Runs `command` in its own process group; on timeout kills that group. Gives the
        exit status (None on timeout) and the output."""
        process = subprocess.Popen(command, cwd=self.tree, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, text=True, errors="replace",
                                   start_new_session=True, env=self.environment)
        self.process = process
        try:
            output, _ = process.communicate(timeout=timeout)
            return process.returncode, output
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            output, _ = process.communicate()
            return None, output
        except BaseException:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            raise

    def kill(self):
        """Ends the command running now, from another thread."""
        process = self.process
        if process is not None and process.poll() is None:
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass

    def build(self):
        if not (self.build_dir / "CMakeCache.txt").exists():
            status, output = self.run(["cmake", "--preset", self.preset], None)
            if status != 0:
                sys.exit("cmake --preset failed:\n" + output)
        return self.run(["cmake", "--build", "--preset", self.preset], self.build_timeout)

    def program_digest(self):
        digest = hashlib.sha256()
        for name in PROGRAM_FILES:
            digest.update((self.build_dir / name).read_bytes())
        return digest.hexdigest()

    def ctest(self, selection, test_timeout, timeout):
        # A test cut short leaves its files: listings of up to 100 MB.
        shutil.rmtree(self.temporary, ignore_errors=True)
        self.temporary.mkdir(parents=True, exist_ok=True)
        command = ["ctest", "--test-dir", str(self.build_dir), "--stop-on-failure",
                   "-j", str(self.jobs), "--timeout", str(test_timeout)] + selection
        return self.run(command, timeout)

    def prepare(self):
        """Builds the unmutated tree, runs the whole suite once to time each test, and splits
        the tests into a fast group that runs first and a slow one."""
        start = time.monotonic()
        status, output = self.build()
        if status != 0:
            sys.exit("the unmutated tree does not build:\n" + output[-3000:])
        self.build_timeout = max(300.0, 3 * (time.monotonic() - start))
        self.baseline = self.program_digest()
        start = time.monotonic()
        status, output = self.ctest([], 600, None)
        elapsed = time.monotonic() - start
        if status != 0:
            sys.exit("the suite fails on the unmutated tree:\n" + output[-3000:])
        times = {name: float(seconds) for name, status, seconds in test_lines(output)}
        slow = sorted(name for name, seconds in times.items() if seconds > SLOW_TEST_SECONDS)
        pattern = exactly(slow)

        def limits(names):
            # A hang in a fast test is caught in seconds, not in the slowest test's time.
            seconds = [times[name] for name in names]
            return (max(20, round(5 * max(seconds, default=1))),
                    3 * sum(seconds) / self.jobs + 60)

        fast = [name for name in times if name not in slow]
        self.slow = slow
        self.groups = [(["-E", pattern] if slow else [], *limits(fast))]
        if slow:
            self.groups.append((["-R", pattern], *limits(slow)))
        print(f"unmutated: {len(times)} tests pass in {elapsed:.0f} s; {len(slow)} slow tests "
              f"run last; a test may take {self.groups[0][1]} s, a slow one "
              f"{self.groups[-1][1]} s", flush=True)

    def outcome(self, mutant, source):
        """Applies `mutant` to the scratch copy, builds, tests, restores the file."""
        if mutant.line in left_out_lines(source):
            return "not built", ""
        path = self.tree / mutant.path
        path.write_bytes((source[:mutant.start] + mutant.replacement +
                          source[mutant.end:]).encode())
        try:
            status, output = self.build()
            if status is None:
                return "timeout", "build"
            if status != 0:
                return "compile error", ""
            if self.program_digest() == self.baseline:
                return "unchanged", ""
            groups, unmet = self.groups[:1], []
            if self.slow:
                met = self.slow
                if self.reach is not None:
                    met = self.reach.tests_for(mutant, source, self.slow)
                    unmet = [name for name in self.slow if name not in met]
                # The unmeasured tests are the slowest by far: the others may end a killed
                # mutant first. Apart, since ctest starts the tests it knows as slow first.
                for part in ([name for name in met if name not in UNMEASURED_TESTS],
                             [name for name in met if name in UNMEASURED_TESTS]):
                    if part:
                        groups.append((["-R", exactly(part)], *self.groups[1][1:]))
            for selection, test_timeout, group_timeout in groups:
                status, output = self.ctest(selection, test_timeout, group_timeout)
                if status is None:
                    return "timeout", "suite"
                if status != 0:
                    failed = [(name, state) for name, state, _ in test_lines(output)
                              if state != "Passed"]
                    if not failed:
                        return "killed", "ctest failed"
                    name, state = failed[0]
                    return ("timeout" if "Timeout" in state else "killed"), name
            return "survived", (f"{len(unmet)} slow tests never run it" if unmet else "")
        finally:
            path.write_bytes(source.encode())


# --- Which slow tests can meet a mutant -------------------------------------------------------


class Reach:
    """The lines of the tool's code each slow test executes, from a coverage build of the
    unmutated tree. A test that never executes a mutated line runs exactly as without the
    mutant, so it cannot tell the mutant apart and is skipped for it. A mutant on a line with
    no code of its own (a constant, a declaration), or in a file with signal handler code,
    meets every slow test, and the unmeasured tests meet every mutant."""

    def __init__(self, executed, code):
        self.executed = executed  # test -> file -> set of executed lines
        self.code = code  # file -> set of lines that hold code

    def tests_for(self, mutant, source, tests):
        first = mutant.line
        last = first + source[mutant.start:mutant.end].count("\n")
        lines = set(range(first, last + 1))
        code = self.code.get(mutant.path, set())
        if mutant.path in SIGNAL_HANDLER_FILES or not lines <= code:
            return list(tests)
        return [name for name in tests
                if name in UNMEASURED_TESTS or name not in self.executed
                or lines & self.executed[name].get(mutant.path, set())]


def measure_reach(runner, tests, cache):
    """Runs each of `tests` alone in a coverage build of the runner's (unmutated) copy and
    gives their Reach; kept in `cache` for the same tracked files. The build is optimised, as
    the fault suite's own code is too slow without; the counters go in before the optimiser
    moves code, so a line that ran is still counted."""
    digest = hashlib.sha256()
    for name in sorted(tracked_files()):
        digest.update(name.encode() + b"\0" + (runner.tree / name).read_bytes())
    digest = digest.hexdigest()
    if cache.exists():
        saved = json.loads(cache.read_text())
        measured = set(tests) - set(UNMEASURED_TESTS)
        if saved.get("digest") == digest and measured <= set(saved["executed"]):
            return Reach({test: {f: set(lines) for f, lines in files.items()}
                          for test, files in saved["executed"].items()},
                         {f: set(lines) for f, lines in saved["code"].items()})
    build = runner.tree / "build" / "reach"
    if not (build / "CMakeCache.txt").exists():
        status, output = runner.run(
            ["cmake", "-S", ".", "-B", str(build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
             "-DCMAKE_CXX_FLAGS=--coverage -fprofile-update=atomic",
             "-DCMAKE_EXE_LINKER_FLAGS=--coverage"], None)
        if status != 0:
            sys.exit("the coverage build does not configure:\n" + output[-3000:])
    status, output = runner.run(["cmake", "--build", str(build)], None)
    if status != 0:
        sys.exit("the coverage build fails:\n" + output[-3000:])
    executed, code = {}, {}
    for test in (name for name in tests if name not in UNMEASURED_TESTS):
        for counts in build.rglob("*.gcda"):
            counts.unlink()
        shutil.rmtree(runner.temporary, ignore_errors=True)
        runner.temporary.mkdir(parents=True, exist_ok=True)
        start = time.monotonic()
        # A test that fails may stop short of lines it executes when it passes.
        status, output = runner.run(["ctest", "--test-dir", str(build), "--timeout", "3600",
                                     "-R", exactly([test])], None)
        if status != 0:
            sys.exit(f"{test} fails in the coverage build:\n" + output[-3000:])
        report = build / "reach.json"
        subprocess.run(["gcovr", "--root", ".", "--object-directory", str(build), "--json",
                        "-o", str(report), "--filter", "(app|listing|report|support)/"],
                       cwd=runner.tree, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        executed[test] = {}
        for entry in json.loads(report.read_text())["files"]:
            lines = [line for line in entry["lines"] if not line.get("gcovr/noncode")]
            code.setdefault(entry["file"], set()).update(l["line_number"] for l in lines)
            executed[test][entry["file"]] = {l["line_number"] for l in lines if l["count"]}
        print(f"reach of {test}: {time.monotonic() - start:.0f} s", flush=True)
    cache.write_text(json.dumps({
        "digest": digest,
        "executed": {test: {f: sorted(lines) for f, lines in files.items()}
                     for test, files in executed.items()},
        "code": {f: sorted(lines) for f, lines in code.items()}}))
    return Reach(executed, code)


# --- Main --------------------------------------------------------------------------------------


def main():
    parser = argparse.ArgumentParser(
        description=__doc__.split("\n\n")[0],
        formatter_class=argparse.RawDescriptionHelpFormatter,
        epilog="\n\n".join(__doc__.split("\n\n")[1:]))
    chosen = parser.add_mutually_exclusive_group()
    chosen.add_argument("--sample", type=int, default=50, metavar="N",
                        help="test a seeded random sample of N mutants (default 50)")
    chosen.add_argument("--full", action="store_true", help="test every mutant")
    parser.add_argument("--seed", type=int, default=1, help="seed of the sample (default 1)")
    parser.add_argument("--files", nargs="+", metavar="PATH",
                        help="mutate only these files (paths or patterns from the root), "
                         "in the order given")
    parser.add_argument("--match", metavar="REGEX",
                        help="only mutants whose description (as listed) matches, such as "
                             "'date.cpp:94:' to test the mutants of one line again")
    parser.add_argument("--list", action="store_true", help="list the mutants and stop")
    parser.add_argument("--resume", action="store_true",
                        help="skip the mutants the ledger records for the same file contents")
    parser.add_argument("--jobs", type=int, default=2,
                        help="tests run at once by each worker (default 2)")
    parser.add_argument("--workers", type=int, default=1,
                        help="mutants tested at once, each in a scratch copy of its own "
                             "(default 1); the slowest tests use one core each")
    parser.add_argument("--every-test", action="store_true",
                        help="run every slow test on every mutant, not only those that "
                             "execute its lines")
    parser.add_argument("--scratch", type=Path, default=ROOT / "build" / "mutate",
                        help="where the scratch copy and the results go (default build/mutate)")
    parser.add_argument("--survivors", metavar="PRESET",
                        help="test the mutants the ledger records as survived again, in a build "
                             "of this preset, such as asan: a mutant that only reads or writes "
                             "out of bounds is caught there")
    parser.add_argument("--ledger", type=Path, default=ROOT / LEDGER,
                        help="the outcomes of earlier runs (default tools/mutate-done.tsv)")
    arguments = parser.parse_args()

    sources = sorted(name for name in tracked_files()
                     if name.split("/")[0] in MUTATED_FOLDERS and name.endswith((".cpp", ".h")))
    if arguments.files:
        wanted = [pattern.rstrip("/") for pattern in arguments.files]

        def first_match(name):
            return next((k for k, p in enumerate(wanted)
                         if fnmatch.fnmatch(name, p) or name.startswith(p + "/")), None)

        # In the order the patterns are given, so that a run takes the files it most needs first.
        sources = sorted((name for name in sources if first_match(name) is not None),
                         key=first_match)
        if not sources:
            sys.exit("no file of app/, listing/, report/ or support/ matches --files")
    texts = {name: (ROOT / name).read_bytes().decode() for name in sources}
    mutants = [m for name in sources for m in find_mutants(name, texts[name])]
    if arguments.match:
        mutants = [m for m in mutants if re.search(arguments.match, m.describe())]
    if not arguments.full and arguments.sample < len(mutants):
        mutants = random.Random(arguments.seed).sample(mutants, arguments.sample)
        mutants.sort(key=lambda m: (m.path, m.start, m.replacement))
    if arguments.list:
        for mutant in mutants:
            print(mutant.describe())
        print(f"{len(mutants)} mutants")
        return 0

    digests = {name: hashlib.sha256(text.encode()).hexdigest()[:16] for name, text in texts.items()}

    def key(mutant):
        return "\t".join((mutant.path, digests[mutant.path], str(mutant.start), str(mutant.end),
                          mutant.replacement.encode("unicode_escape").decode()))

    done_path = arguments.ledger.resolve()
    done = {}  # key -> (outcome, detail) of mutants tested in earlier runs
    if (arguments.resume or arguments.survivors) and done_path.exists():
        for line in done_path.read_text().splitlines():
            *fields, result, detail = line.split("\t")
            done["\t".join(fields)] = (result, detail)
    if arguments.survivors:
        mutants = [m for m in mutants
                   if done.get(key(m), ("", ""))[0] == "survived"
                   and not done[key(m)][1].startswith(arguments.survivors + ":")]
        done = {}
    earlier = [m for m in mutants if key(m) in done]
    mutants = [m for m in mutants if key(m) not in done]
    if earlier:
        print(f"{len(earlier)} mutants done in earlier runs, {len(mutants)} to go", flush=True)

    scratch = arguments.scratch.resolve()
    trees = [scratch / ("tree" if k == 0 else f"tree-{k + 1}") for k in range(arguments.workers)]
    for tree in trees:
        tree.mkdir(parents=True, exist_ok=True)
        if tree == ROOT or ROOT in tree.parents and tree.relative_to(ROOT).parts[0] != "build":
            sys.exit("the scratch copy must lie outside the sources (under build/ is fine)")
        sync_scratch(tree)
    results_path = scratch / "results.txt"
    preset = arguments.survivors or PRESET
    runners = [Runner(tree, arguments.jobs, preset) for tree in trees]

    counts = {}
    survivors = []
    for mutant in earlier:
        result = done[key(mutant)][0]
        counts[result] = counts.get(result, 0) + 1
        if result == "survived":
            survivors.append(mutant)
    started = time.monotonic()
    if mutants and not arguments.every_test and not arguments.survivors:
        if shutil.which("gcovr") is None:
            sys.exit("gcovr is missing (apt-get install gcovr), or run with --every-test")
        runners[0].prepare()
        if runners[0].slow:
            runners[0].reach = measure_reach(runners[0], runners[0].slow, scratch / "reach.json")
    work = queue.Queue()
    for number, mutant in enumerate(mutants, 1):
        work.put((number, mutant))
    stop = threading.Event()
    lock = threading.Lock()

    with open(results_path, "a" if arguments.resume else "w") as results, \
            open(done_path, "a") as done_file:

        def work_on(runner):
            """Tests mutants from the queue in the runner's own scratch copy until none is
            left. A suite that runs on one core leaves the other cores to the other runners."""
            try:
                if not runner.groups:
                    runner.prepare()
                    runner.reach = runners[0].reach
            except SystemExit as failure:
                print(failure, flush=True)
                stop.set()
                return
            while not stop.is_set():
                try:
                    number, mutant = work.get_nowait()
                except queue.Empty:
                    return
                mutant_started = time.monotonic()
                result, detail = runner.outcome(mutant, texts[mutant.path])
                if arguments.survivors:
                    # In the ledger a survivor's next outcome is its last: killed there, or
                    # survived there too.
                    detail = f"{preset}: {detail}"
                seconds = time.monotonic() - mutant_started
                if stop.is_set():
                    return  # cut off by an interruption: no outcome
                line = f"[{number}/{len(mutants)}] {seconds:4.0f} s {result:13} {mutant.describe()}"
                if detail:
                    line += f"  ({detail if len(detail) <= 70 else detail[:67] + '...'})"
                with lock:
                    counts[result] = counts.get(result, 0) + 1
                    if result == "survived":
                        survivors.append(mutant)
                    print(line, flush=True)
                    results.write(line + "\n")
                    results.flush()
                    done_file.write(f"{key(mutant)}\t{result}\t{detail}\n")
                    done_file.flush()

        threads = [threading.Thread(target=work_on, args=(runner,)) for runner in runners]
        for thread in threads:
            thread.start()
        try:
            for thread in threads:
                while thread.is_alive():
                    thread.join(timeout=1)
        except KeyboardInterrupt:
            stop.set()
            for runner in runners:
                runner.kill()
            for thread in threads:
                thread.join()
            print("interrupted; the scratch files are restored", flush=True)
    minutes = (time.monotonic() - started) / 60
    tested = sum(counts.values())
    print(f"\n{tested} mutants ({len(earlier)} from earlier runs), this run {minutes:.1f} min: " + ", ".join(
        f"{counts.get(name, 0)} {name}"
        for name in ("killed", "timeout", "survived", "compile error", "unchanged",
                     "not built")))
    caught = counts.get("killed", 0) + counts.get("timeout", 0)
    if caught + len(survivors):
        print(f"caught {100 * caught / (caught + len(survivors)):.0f}% of the mutants that "
              "built to a different program (survivors include equivalent mutants)")
    if survivors:
        print("\nsurvivors:")
        for mutant in survivors:
            print("  " + mutant.describe())
    print(f"results: {results_path}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
