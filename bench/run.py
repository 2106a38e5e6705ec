#!/usr/bin/env python3
"""Times Corvel against Python 3, Perl 5, Tcl 8.6, Lua 5.4 and LuaJIT on the workloads of bench/workloads.

Each workload folder holds one program per language, written the same way in each, as a template:
`@NAME@` is replaced by a size (scaled by --scale) or a path, and the lines between `@@REPEAT NAME`
and `@@END` are repeated NAME times with `@k@` standing for the repetition (0, 1, ...) and `@prev@`
for the one before it (the last for the first). Corvel scripts cannot read arguments, so every
language gets its sizes the same way: written into its program text.

Every round runs every implementation of every workload once, in an order that rotates from round
to round, so that the drift of a shared machine hits all alike. Times are whole-process wall times;
the table shows medians. Every program of a workload must exit with status 0 and print the same
output; otherwise the run is reported and the runner exits with status 1.

Standard library only.
"""

import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import time
from dataclasses import dataclass, field
from pathlib import Path

HERE = Path(__file__).resolve().parent
REPO = HERE.parent


@dataclass
class Implementation:
    name: str
    interpreter: str  # the program that runs the source file
    sources: tuple  # the template's file names inside a workload folder, the first that exists
    options: tuple = ()  # given to the interpreter before the source file
    reference: bool = False  # shown, but no part of the fastest peer


# The peers whose fastest time is compared with Corvel's. LuaJIT speaks Lua 5.1 with a few
# additions: a workload holds `luajit.lua` where Lua 5.4's text does not run there (integer
# division, for one). `luajit -joff` is its interpreter alone, a peer like the others; `luajit`
# with its JIT compiler is shown for reference.
PEERS = [
    Implementation("python3", "/usr/bin/python3", ("python.py",)),
    Implementation("perl", "/usr/bin/perl", ("perl.pl",)),
    Implementation("tclsh", "/usr/bin/tclsh8.6", ("tcl.tcl",)),
    Implementation("lua5.4", "/usr/bin/lua5.4", ("lua.lua",)),
    Implementation("luajit-joff", "/usr/bin/luajit", ("luajit.lua", "lua.lua"), ("-joff",)),
    Implementation("luajit", "/usr/bin/luajit", ("luajit.lua", "lua.lua"), reference=True),
]
# The peer of the second ratio column, left out of the first.
INTERPRETER_ANCHOR = "luajit-joff"


@dataclass
class TextData:
    """A text file of `lines` lines, each of `shortest` to `longest` characters before its line
    feed, made of words from a fixed vocabulary: deterministic, so every run and every machine
    feeds the same bytes."""

    name: str
    lines: int
    shortest: int
    longest: int
    # One word a line instead, the early words of the vocabulary drawn more often than the later
    # ones, as in a real text.
    words: bool = False
    # Comma-separated rows instead: a row number, a word, an amount below 10^8 and a quantity.
    csv: bool = False


@dataclass
class Workload:
    name: str
    shape: str
    scaled: dict = field(default_factory=dict)  # sizes multiplied by --scale
    fixed: dict = field(default_factory=dict)  # sizes that define the shape, never scaled
    data: TextData | None = None  # passed to the program as @DATA@
    stdin: TextData | None = None  # piped into the program's standard input
    repeats: int = 0  # > 0: one timing is that many runs in a row (scaled), divided by their number


WORKLOADS = [
    Workload("loop", "counting loop, braceless if, goto", scaled={"N": 70_000_000}),
    Workload("arith", "digit sums with % and /, nested label loops", scaled={"N": 4_000_000}),
    Workload("gotofar", "goto between labels 3,000 lines apart, 2 jumps an iteration",
             scaled={"N": 2_500_000}, fixed={"FAR": 3000}),
    Workload("strings", "interpolation, strupper, strlen, substr, append",
             scaled={"N": 3_000_000}),
    Workload("arrays", "add, arrlen, arrdel at 0, getarray on a 100-element window",
             scaled={"N": 2_000_000}),
    Workload("files", "fwrite lines, then freadln/fdone/strlen them back",
             scaled={"N": 2_000_000}),
    Workload("md5", "chained MD5 digests", scaled={"N": 3_000_000}),
    Workload("vars", "2,000 declared variables read and written in turn",
             scaled={"N": 10_000}, fixed={"V": 2000}),
    Workload("startup", "an empty script", repeats=200),
    Workload("load", "a 1,000,000-line script of simple statements, loaded and run",
             scaled={"L": 1_000_000}),
    Workload("charwalk", "walk every line of a text character by character, count words",
             data=TextData("charwalk", 50_000, 30, 120)),
    Workload("stdin", "read piped lines with cin, count them and their lengths",
             stdin=TextData("stdin", 300_000, 10, 80)),
    Workload("subroutines", "small subroutines called through a return-label variable",
             scaled={"N": 500_000}),
    Workload("counting", "word counts in a list of [word, count] lists, searched in order",
             data=TextData("counting", 200_000, 0, 0, words=True)),
    Workload("csvsum", "a column of CSV rows summed past 2^31 with a carry, fields cut by hand",
             data=TextData("csvsum", 200_000, 0, 0, csv=True)),
]

VOCABULARY = (
    "a an the of to in is it on at by as or and but not for with from this that these those "
    "run line word text file data value number string array label loop jump read write count "
    "length upper lower digit sum window record digest variable script command interpreter "
    "quick brown fox jumps over lazy dog while river mountain station library theatre garden "
    "northern southern eastern western morning evening yesterday tomorrow seventeen ninety "
    "internationalisation characteristically"
).split()


def scaled(value, scale):
    return max(1, round(value * scale))


def write_text(path, data, lines):
    """Writes `lines` lines of `data`'s shape to `path`, with a linear congruential generator so
    that the bytes never depend on the Python version."""
    state = 20240607 + len(data.name)

    def draw(limit):
        nonlocal state
        state = (state * 1103515245 + 12345) % 2**31
        return (state >> 8) % limit

    span = data.longest - data.shortest + 1
    out = []
    if data.words:
        for _ in range(lines):
            out.append(VOCABULARY[draw(draw(len(VOCABULARY)) + 1)] + "\n")
        lines = 0
    if data.csv:
        for row in range(lines):
            amount = draw(10_000) * 10_000 + draw(10_000)
            out.append(f"{row + 1},{VOCABULARY[draw(len(VOCABULARY))]},{amount},{draw(50) + 1}\n")
        lines = 0
    for _ in range(lines):
        target = data.shortest + draw(span)
        # Leading blanks and doubled blanks now and then keep the word count honest.
        line = " " if draw(23) == 0 else ""
        while len(line) < target:
            if line and not line.endswith(" "):
                line += "  " if draw(19) == 0 else " "
            line += VOCABULARY[draw(len(VOCABULARY))]
        out.append(line[:target].rstrip() + "\n")
    tmp = path.with_suffix(".tmp")
    tmp.write_text("".join(out), encoding="ascii")
    tmp.replace(path)


def data_file(cache, data, scale):
    lines = scaled(data.lines, scale)
    path = cache / "data" / f"{data.name}-{lines}-v1.txt"
    if not path.exists():
        path.parent.mkdir(parents=True, exist_ok=True)
        write_text(path, data, lines)
    return path


def expand(template, params):
    """Fills in a workload template (see the module comment)."""

    def fill(line, values):
        return re.sub(r"@(\w+)@", lambda m: str(values[m.group(1)]), line)

    lines = template.splitlines(keepends=True)
    out = []
    i = 0
    while i < len(lines):
        match = re.fullmatch(r"@@REPEAT (\w+)\n?", lines[i])
        if match is None:
            out.append(fill(lines[i], params))
            i += 1
            continue
        count = params[match.group(1)]
        end = next(j for j in range(i + 1, len(lines)) if lines[j].rstrip("\n") == "@@END")
        body = lines[i + 1:end]
        for k in range(count):
            values = dict(params, k=k, prev=(k - 1) % count)
            out.extend(fill(line, values) for line in body)
        i = end + 1
    return "".join(out)


@dataclass
class Program:
    impl: Implementation
    argv: list
    times: list = field(default_factory=list)
    outputs: set = field(default_factory=set)
    failure: str = ""


def prepare(workload, impls, cache, scale):
    """Writes the workload's programs for `impls` and returns them with the standard input file
    (or None) and the scratch folder they run in."""
    params = {name: scaled(value, scale) for name, value in workload.scaled.items()}
    params.update(workload.fixed)
    if workload.data is not None:
        path = data_file(cache, workload.data, scale)
        # The path is pasted into program text: keep to characters no language treats specially.
        if not re.fullmatch(r"[A-Za-z0-9/._-]+", str(path)):
            sys.exit(f"bench: the data path {path} holds characters the programs cannot carry")
        params["DATA"] = path
    stdin = data_file(cache, workload.stdin, scale) if workload.stdin else None
    folder = cache / "src" / workload.name
    folder.mkdir(parents=True, exist_ok=True)
    programs = []
    for impl in impls:
        templates = [HERE / "workloads" / workload.name / name for name in impl.sources]
        template = next((t for t in templates if t.exists()), None)
        if template is None:
            continue
        target = folder / template.name
        target.write_text(expand(template.read_text(), params))
        programs.append(Program(impl, [impl.interpreter, *impl.options, str(target)]))
    return programs, stdin, cache / "scratch" / workload.name


# Settings a user may have for their own work that change how an interpreter starts or runs
# (PYTHONUNBUFFERED, PERL5OPT, LUA_INIT, ...): no program gets them.
CLEAN_ENV = {name: value for name, value in os.environ.items()
             if not name.startswith(("PYTHON", "PERL5", "LUA_INIT"))}


def run_once(argv, scratch, stdin):
    """Runs `argv` once in an empty `scratch` folder and returns (seconds, status, output,
    errors). Standard input is `stdin` piped through `cat`, or nothing."""
    shutil.rmtree(scratch, ignore_errors=True)
    scratch.mkdir(parents=True)
    start = time.perf_counter()
    producer = None
    source = subprocess.DEVNULL
    if stdin is not None:
        producer = subprocess.Popen(["cat", str(stdin)], stdout=subprocess.PIPE)
        source = producer.stdout
    proc = subprocess.Popen(argv, cwd=scratch, env=CLEAN_ENV, stdin=source,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if producer is not None:
        producer.stdout.close()
    out, err = proc.communicate()
    elapsed = time.perf_counter() - start
    if producer is not None:
        producer.wait()
    shutil.rmtree(scratch, ignore_errors=True)
    return elapsed, proc.returncode, out, err


def measure(program, workload, scratch, stdin, scale):
    count = max(3, scaled(workload.repeats, scale)) if workload.repeats else 1
    total = 0.0
    for _ in range(count):
        elapsed, status, out, err = run_once(program.argv, scratch, stdin)
        total += elapsed
        if status != 0:
            text = (out + err).decode(errors="replace").strip()[-400:]
            program.failure = f"exit status {status}: {text}"
            return None
        program.outputs.add(out)
    return total / count


def format_ms(seconds):
    if seconds is None:
        return "-"
    ms = seconds * 1000
    if ms >= 100:
        return f"{ms:.0f}"
    if ms >= 10:
        return f"{ms:.1f}"
    return f"{ms:.2f}"


def build_rows(results, impls):
    """Returns the table rows: workload, one median per implementation, fastest peer, ratio, and
    the ratio against LuaJIT's interpreter."""
    rows = []
    for workload, programs in results:
        by_name = {p.impl.name: p for p in programs}
        medians = {}
        cells = [workload.name]
        for impl in impls:
            program = by_name.get(impl.name)
            if program is None:
                cells.append("-")
            elif program.failure:
                cells.append("FAILED")
            else:
                medians[impl.name] = statistics.median(program.times)
                cells.append(format_ms(medians[impl.name]))
        # The fastest of the four classic peers; LuaJIT's interpreter has a column of its own.
        left_out = {i.name for i in impls if i.reference} | {"corvel", INTERPRETER_ANCHOR}
        peers = {name: t for name, t in medians.items() if name not in left_out}
        anchor = medians.get(INTERPRETER_ANCHOR)
        mismatch = len({o for p in programs for o in p.outputs}) > 1
        if peers and "corvel" in medians and not mismatch:
            fastest = min(peers, key=peers.get)
            cells += [fastest, f"{peers[fastest] / medians['corvel']:.2f}",
                      "-" if anchor is None else f"{anchor / medians['corvel']:.2f}"]
        else:
            cells += ["-", "MISMATCH" if mismatch else "-", "-"]
        rows.append(cells)
    return rows


def print_table(header, rows, out):
    widths = [max(len(str(r[i])) for r in [header] + rows) for i in range(len(header))]
    for row in [header] + rows:
        cells = [str(c).ljust(w) if i == 0 else str(c).rjust(w)
                 for i, (c, w) in enumerate(zip(row, widths))]
        print("  ".join(cells), file=out)


def markdown_table(header, rows):
    lines = ["| " + " | ".join(header) + " |",
             "|" + "|".join(["---"] + ["---:"] * (len(header) - 1)) + "|"]
    lines += ["| " + " | ".join(str(c) for c in row) + " |" for row in rows]
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int, default=5, help="rounds of runs (default 5)")
    parser.add_argument("--only", help="comma-separated workload names")
    parser.add_argument("--scale", type=float, default=1.0,
                        help="multiplies iteration counts and data sizes (default 1)")
    parser.add_argument("--corvel", default=str(REPO / "build" / "corvel"),
                        help="the interpreter to time (default build/corvel)")
    parser.add_argument("--cache", default=str(REPO / "build" / "bench-cache"),
                        help="where programs, data and scratch folders go "
                             "(default build/bench-cache)")
    parser.add_argument("--markdown", help="also write the table as Markdown to this file")
    args = parser.parse_args()

    workloads = WORKLOADS
    if args.only:
        names = args.only.split(",")
        unknown = [n for n in names if n not in {w.name for w in WORKLOADS}]
        if unknown:
            parser.error(f"unknown workload {', '.join(unknown)}; "
                         f"known: {', '.join(w.name for w in WORKLOADS)}")
        workloads = [w for w in WORKLOADS if w.name in names]
    if args.rounds < 1 or args.scale <= 0:
        parser.error("--rounds must be at least 1 and --scale above 0")

    corvel = Path(args.corvel).resolve()
    if not os.access(corvel, os.X_OK):
        sys.exit(f"bench: no interpreter at {corvel}; build it with `make build`")
    impls = [Implementation("corvel", str(corvel), ("corvel.cv",))]
    for peer in PEERS:
        if os.access(peer.interpreter, os.X_OK):
            impls.append(peer)
        else:
            print(f"bench: {peer.interpreter} is missing; {peer.name} sits out", file=sys.stderr)

    cache = Path(args.cache).resolve()
    results = [(w, *prepare(w, impls, cache, args.scale)) for w in workloads]

    for rnd in range(args.rounds):
        for index, (workload, programs, stdin, scratch) in enumerate(results):
            shift = (rnd + index) % len(programs)
            order = programs[shift:] + programs[:shift]
            report = []
            for program in order:
                if program.failure:
                    continue
                seconds = measure(program, workload, scratch, stdin, args.scale)
                if seconds is None:
                    print(f"bench: {workload.name}/{program.impl.name} FAILED: "
                          f"{program.failure}", file=sys.stderr)
                    continue
                program.times.append(seconds)
                report.append(f"{program.impl.name} {format_ms(seconds)}")
            print(f"round {rnd + 1}/{args.rounds} {workload.name}: {', '.join(report)} ms",
                  file=sys.stderr, flush=True)

    problems = []
    for workload, programs, _, _ in results:
        for program in programs:
            if program.failure:
                problems.append(f"{workload.name}/{program.impl.name} failed")
                print(f"FAILED {workload.name}/{program.impl.name}: {program.failure}")
        outputs = {}
        for program in programs:
            for out in program.outputs:
                outputs.setdefault(out, []).append(program.impl.name)
        if len(outputs) > 1:
            problems.append(f"{workload.name} outputs differ")
            print(f"MISMATCH in {workload.name}: the programs disagree:")
            for out, names in outputs.items():
                text = out.decode(errors="replace").strip()
                print(f"  {', '.join(names)}: {text[:200]!r}")

    header = (["workload"] + [i.name for i in impls] +
              ["fastest peer", "ratio", f"vs {INTERPRETER_ANCHOR}"])
    rows = build_rows([(w, p) for w, p, _, _ in results], impls)
    print(f"\nmedian wall time in ms of {args.rounds} round(s), scale {args.scale:g}; "
          "ratio = fastest peer / corvel (above 1: Corvel is faster), the fastest peer being "
          f"the fastest of the others but {INTERPRETER_ANCHOR}, which has its own column, and "
          + ", ".join(i.name for i in impls if i.reference) + ", shown for reference")
    print_table(header, rows, sys.stdout)
    if args.markdown:
        Path(args.markdown).write_text(markdown_table(header, rows))
    if problems:
        print(f"\nbench: FAILED: {'; '.join(problems)}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
