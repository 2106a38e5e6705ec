"""Injected I/O faults: the real interpreter, with one call into the C library failing at a time.

    run_faults.py <corvel> <shim> [--sample | --all] [--sanitized] [--jobs N]
                  [--scenario NAME ...] [--summary FILE] [--verbose]

For each scenario (a script, the files it starts with and its standard input), a first run counts
the calls of each kind the interpreter makes (open, read, write, close, lseek, tee, opendir,
readdir, mkdir, unlink, rename, spawn, waitpid). Then, for each kind, each N up to that count and
each fault (EIO, ENOSPC, EINTR, EAGAIN, and a short transfer for read, write and tee), the shim
(fault_shim.cc, preloaded) makes the Nth call fail, once, and the run is checked against the first:

- every run ends by itself (no hang, no signal death), with status 0 or 1, and the sanitizers
  (in a sanitized build) report nothing;
- an interrupted call (EINTR), a short transfer, and "try again" (EAGAIN) on a read, write or tee
  (but for the private pipe through which standard input is looked at) change nothing a user can
  see: status, standard output and error, the files left behind and the
  rest of standard input are those of the first run;
- a write refused by the system (EIO, ENOSPC), or a close that reports the loss of written text,
  ends the run with a failure status and, for a file, the command's message "Cannot write to file:
  PATH"; a refused read of a file or of the script ends it with "Cannot read file: PATH" or
  "Cannot open script: PATH";
- failures the language leaves silent (a path that cannot be opened, a directory that cannot be
  made, listed or removed, a command that cannot be started) end cleanly, and a listing is never
  cut short: it is whole or empty.

--sample (what `make test` runs) tries the first, the middle and the last call made from each place
in the code (the last only outside a sanitized build, which is slower), with one hard failure per
kind; --all tries every call with every fault. Failures that sit in code being rewritten elsewhere
are listed in KNOWN and reported apart; they do not fail the run. Prints one line per failure and a
summary; exits 1 on an unexpected failure.
"""

import argparse
import collections
import concurrent.futures
import dataclasses
import os
import pathlib
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import threading

KINDS = ["open", "read", "write", "close", "lseek", "tee", "opendir", "readdir", "mkdir",
         "unlink", "rename", "spawn", "waitpid"]
ERRORS = ["EIO", "ENOSPC", "EINTR", "EAGAIN"]
TRANSFERS = {"read", "write", "tee"}
# A run that takes this long has hung: the longest scenario takes well under a second.
TIMEOUT = 20
SANITIZER_MARKS = (b"AddressSanitizer", b"LeakSanitizer", b"UndefinedBehaviorSanitizer",
                   b"runtime error:")


# --- scenarios -------------------------------------------------------------------------------

def doubling(name, times):
    """Script lines that make $name 16 * 2**times bytes long."""
    return (f"set ${name} [0123456789abcdef]\nint $times\n*double\n"
            f"set ${name} [${name}#${name}]\nset $times ($times + 1)\n"
            f"if $times < ({times})\ngoto [double]\n")


@dataclasses.dataclass
class Scenario:
    name: str
    script: str
    # "file", "pipe" or None (/dev/null); a pipe's input must fit in the pipe (64 KiB).
    stdin_kind: str = None
    stdin: bytes = b""
    files: dict = dataclasses.field(default_factory=dict)
    # The script path is typed at the prompt instead of given as an argument.
    prompt: bool = False
    # Counts printed by the script as "COUNT name" lines: in any run that ends with status 0,
    # each must be the first run's or 0 (a listing is whole or empty, never cut short).
    whole_or_empty: tuple = ()
    # Beginnings of the lines in which the script (or a command it runs) shows a line it read
    # from standard input: whatever the fault, each such line must show a whole line of the
    # input, or nothing (input that ended early), never a line made of other bytes.
    echoes: tuple = ()


SCENARIOS = [
    Scenario("files", """file $out
string $big
string $line
int $n
int $done
""" + doubling("big", 13) + """fopen $out [data.txt] [w]
fwrite $out [first\\n]
fwrite $out $big
fwrite $out [\\nlast\\n]
fclose $out
fopen $out [data.txt] [a]
fwrite $out [appended\\n]
fclose $out
fopen $out [data.txt] [r]
*next
freadln $out $line
fdone $out $done
strlen $line $n
print [line $n $done\\n]
if $done == (0)
goto [next]
fopen $out [data.txt] [r]
fread $out $line (70000)
strlen $line $n
print [read $n\\n]
fread $out $line (70000)
strlen $line $n
fdone $out $done
print [read $n $done\\n]
fclose $out
fopen $out [given.txt] [r]
freadln $out $line
print [$line\\n]
fopen $out [copy.txt] [w]
fwrite $out $line
fclose $out
""", files={"given.txt": b"given line\nsecond\n"}),

    Scenario("console_file_stdin", """string $s
string $big
""" + doubling("big", 13) + """cin $s
print [got $s\\n]
print $big
cin $s
print [\\ngot $s\\n]
cin $s
print [got $s\\n]
""", stdin_kind="file", stdin=b"one\ntwo\r\nthree\nfour\nfive\n", echoes=(b"got ",)),

    Scenario("console_pipe_stdin", """string $s
cin $s
print [got $s\\n]
cin $s
print [got $s\\n]
print [end\\n]
""", stdin_kind="pipe", stdin=b"one\ntwo\nthree\nfour\n", echoes=(b"got ",)),

    Scenario("shared_pipe_stdin", """string $s
cin $s
print [corvel read $s\\n]
system [read line; echo "shell read \\$line"]
cin $s
print [corvel read $s\\n]
""", stdin_kind="pipe", stdin=b"one\ntwo\nthree\nfour\n",
             echoes=(b"corvel read ", b"shell read ")),

    Scenario("shared_file_stdin", """string $s
cin $s
print [corvel read $s\\n]
system [read line; echo "shell read \\$line"]
cin $s
print [corvel read $s\\n]
""", stdin_kind="file", stdin=b"one\ntwo\nthree\nfour\n",
             echoes=(b"corvel read ", b"shell read ")),

    Scenario("prompt", """string $s
cin $s
print [read $s\\n]
""", stdin_kind="pipe", stdin=b"script.cv\nline one\nline two\n", prompt=True,
             echoes=(b"read ", b"Enter script path: Cannot open script: ")),

    Scenario("filesystem", """int $k
int $i
int $count
array $names
file $f
mkdir [tree]
mkdir [tree/sub]
*make
fopen $f [tree/f$i#.txt] [w]
fwrite $f [$i\\n]
set $i ($i + 1)
if $i < (6)
goto [make]
fopen $f [tree/sub/b.txt] [w]
fwrite $f [b\\n]
fclose $f
fexists [tree/sub/b.txt] $k
print [exists $k\\n]
readdir $names [tree]
arrlen $names $count
print [COUNT tree $count\\n]
readdir $names [tree/sub]
arrlen $names $count
print [COUNT sub $count\\n]
unlink [tree/sub]
fexists [tree/sub] $k
print [exists $k\\n]
unlink [tree]
fexists [tree] $k
print [exists $k\\n]
""", whole_or_empty=("tree", "sub")),

    Scenario("system", """file $f
fopen $f [log.txt] [w]
fwrite $f [before the child\\n]
print [printed first\\n]
system [cat log.txt; echo child output]
fwrite $f [after the child\\n]
system [exit 3]
print [end\\n]
"""),

    Scenario("ends_with_files_open", """file $a
file $b
fopen $a [a.txt] [w]
fopen $b [b.txt] [a]
fwrite $a [kept a\\n]
fwrite $b [kept b\\n]
print [before the fault\\n]
strupper $undeclared
print [never\\n]
""", files={"b.txt": b"old b\n"}),

    Scenario("exit_with_files_open", """file $a
fopen $a [a.txt] [w]
fwrite $a [kept a\\n]
print [before exit\\n]
exit
"""),

    Scenario("big_script", "string $s\nint $n\nset $s [" + "x" * 150_000 + "]\nstrlen $s $n\n"
             "print [$n\\n]\n"),
]


# --- what a fault must do --------------------------------------------------------------------

INVISIBLE = "invisible"          # same status, output, error, files and rest of input
SAME_BUT_STDERR = "same-but-stderr"  # the same, except what reached standard error
REPORTED = "reported"            # status 1, with the message when one is given
CLEAN = "clean"                  # any orderly end


@dataclasses.dataclass
class Expectation:
    outcome: str
    message: bytes = None


@dataclasses.dataclass
class Report:
    counts: dict
    struck: bool
    descriptor: int
    writable: bool
    target: str
    # The calls that led to the failed one, innermost first: (offset, object file).
    callers: list
    # Without a fault: for each call in turn, its kind and the place it was made from.
    calls: list


def read_report(path):
    counts = {}
    fields = {}
    callers = []
    calls = []
    for line in pathlib.Path(path).read_text(errors="replace").splitlines():
        key, _, value = line.partition(" ")
        if key == "count":
            kind, _, number = value.partition(" ")
            counts[kind] = int(number)
        elif key == "call":
            kind, _, site = value.partition(" ")
            calls.append((kind, site))
        elif key == "caller":
            offset, _, binary = value.partition(" ")
            callers.append((offset, binary))
        else:
            fields[key] = value
    return Report(counts, fields.get("struck") == "1", int(fields.get("descriptor", "-1")),
                  fields.get("writable") == "1", fields.get("target", ""), callers, calls)


class Locator:
    """Names the source file and function a failed call came from.

    The functions of the interpreter's own sources are read from the object files of its library
    (beside the binary, in CMakeFiles/corvel_core.dir); the first caller that is one of them names
    the source file, so that a call made inside the C++ library is put down to the code that asked
    for it."""

    def __init__(self, corvel):
        objects = pathlib.Path(corvel).parent / "CMakeFiles" / "corvel_core.dir"
        self.sources = collections.defaultdict(set)
        for item in objects.rglob("*.o"):
            listing = subprocess.run(["nm", "--defined-only", str(item)], capture_output=True,
                                     text=True, check=False).stdout
            for line in listing.splitlines():
                parts = line.split()
                if len(parts) == 3 and parts[1] in ("T", "t"):
                    self.sources[parts[2]].add(str(item.relative_to(objects))[:-2])
        self.names = {}
        self.lock = threading.Lock()

    def name(self, offset, binary):
        """Returns the raw and the readable name of the function at `offset` in `binary`."""
        with self.lock:
            if (offset, binary) not in self.names:
                raw, readable = (subprocess.run(["addr2line", "-f", *flags, "-e", binary, offset],
                                                capture_output=True, text=True, check=False)
                                 .stdout.split("\n")[0] for flags in ([], ["-C"]))
                self.names[(offset, binary)] = (raw, readable)
            return self.names[(offset, binary)]

    def locate(self, report):
        """Returns (source file, function) of the interpreter's code that made the call."""
        first = None
        for offset, binary in report.callers:
            raw, readable = self.name(offset, binary)
            first = first or readable
            if len(self.sources.get(raw, ())) == 1:
                return next(iter(self.sources[raw])), readable
        return "?", first or "?"


def target_of(kind, report, folder):
    """What the failed call was about: stdin, stdout, stderr, script, data, pipe, child or
    other."""
    if kind in ("spawn", "waitpid"):
        return "child"
    if report.descriptor in (0, 1, 2):
        return ("stdin", "stdout", "stderr")[report.descriptor]
    target = report.target
    if target in ("script.cv", str(folder / "script.cv")):
        return "script"
    if target.startswith("pipe:"):
        return "pipe"
    # A descriptor names its file by its whole path; a path given to a call may be relative.
    if target.startswith(str(folder) + "/") or (report.descriptor < 0
                                                and not target.startswith("/")):
        return "data"
    return "other"


def expectation(kind, fault, target, writable):
    # The private pipe through which standard input is looked at is never shared and never in
    # non-blocking mode: "try again" from it is as impossible as any other failure.
    transient = fault in ("EINTR", "short") or (fault == "EAGAIN" and kind in TRANSFERS
                                                and target != "pipe")
    if kind in ("spawn", "lseek"):
        # Neither can be interrupted; a command that cannot be started, or input that cannot be
        # given back, is left silent by the language.
        return Expectation(CLEAN)
    if transient:
        return Expectation(INVISIBLE)
    if kind == "write":
        if target == "stdout":
            return Expectation(REPORTED)
        if target == "stderr":
            return Expectation(SAME_BUT_STDERR)
        if target == "data":
            return Expectation(REPORTED, b"Cannot write to file: ")
        return Expectation(CLEAN)
    if kind == "close":
        if target == "data" and writable:
            return Expectation(REPORTED, b"Cannot write to file: ")
        # What else is closed (the script, a file only read, a handle on a child) was not
        # written to: its close has nothing to lose.
        return Expectation(INVISIBLE)
    if kind == "read":
        if target == "script":
            return Expectation(REPORTED, b"Cannot open script: ")
        if target == "data":
            return Expectation(REPORTED, b"Cannot read file: ")
        return Expectation(CLEAN)
    if kind == "open" and target == "script":
        return Expectation(REPORTED, b"Cannot open script: ")
    return Expectation(CLEAN)


# Failures that are known and not fixed yet: each entry is (kind, faults, source file of the
# call, target or None for any, why). They are reported apart and do not fail the run; one that no
# longer fails is reported as fixed.
KNOWN = []


def known_reason(kind, fault, source, target):
    for entry_kind, faults, entry_source, entry_target, why in KNOWN:
        sources = entry_source if isinstance(entry_source, tuple) else (entry_source,)
        if (entry_kind == kind and fault in faults and source in sources
                and entry_target in (None, target)):
            return why
    return None


def known_entry(why):
    return next(entry for entry in KNOWN if entry[-1] == why)


# --- running ---------------------------------------------------------------------------------

@dataclasses.dataclass
class Observation:
    status: int
    stdout: bytes
    stderr: bytes
    files: dict
    rest: bytes
    report: Report
    timed_out: bool = False


def snapshot(folder):
    files = {}
    for path in sorted(folder.rglob("*")):
        name = str(path.relative_to(folder))
        if name == "script.cv":
            continue
        if path.is_symlink():
            files[name] = ("link", os.readlink(path))
        elif path.is_dir():
            files[name] = ("dir", None)
        else:
            files[name] = ("file", path.read_bytes())
    return files


def run_once(options, scenario, folder, fault=None):
    if folder.exists():
        shutil.rmtree(folder)
    folder.mkdir(parents=True)
    (folder / "script.cv").write_text(scenario.script)
    for name, data in scenario.files.items():
        (folder / name).write_bytes(data)
    report_path = folder.parent / (folder.name + ".report")
    environment = dict(os.environ)
    environment.pop("CORVEL_GENERIC", None)
    environment.pop("CORVEL_TRACE", None)
    environment["LD_PRELOAD"] = options.shim
    environment["CORVEL_FAULT_REPORT"] = str(report_path)
    if options.sanitized:
        # The shim comes first in the list of libraries, before the sanitizer runtime.
        asan = environment.get("ASAN_OPTIONS", "")
        environment["ASAN_OPTIONS"] = (asan + ":" if asan else "") + "verify_asan_link_order=0"
    if fault:
        environment["CORVEL_FAULT"] = fault

    stdin = subprocess.DEVNULL
    keep = None
    if scenario.stdin_kind == "file":
        (folder.parent / (folder.name + ".stdin")).write_bytes(scenario.stdin)
        keep = open(folder.parent / (folder.name + ".stdin"), "rb")
        stdin = keep
    elif scenario.stdin_kind == "pipe":
        read_end, write_end = os.pipe()
        os.write(write_end, scenario.stdin)
        os.close(write_end)
        keep = os.fdopen(read_end, "rb")
        stdin = keep

    arguments = [options.corvel] if scenario.prompt else [options.corvel, "script.cv"]
    timed_out = False
    try:
        process = subprocess.Popen(arguments, cwd=folder, stdin=stdin, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, env=environment,
                                   start_new_session=True)
        try:
            out, err = process.communicate(timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            timed_out = True
            os.killpg(process.pid, signal.SIGKILL)
            out, err = process.communicate()
        rest = keep.read() if keep else b""
    finally:
        if keep:
            keep.close()
    report = read_report(report_path) if report_path.exists() else None
    observation = Observation(process.returncode, out, err, snapshot(folder), rest, report,
                              timed_out)
    shutil.rmtree(folder)
    report_path.unlink(missing_ok=True)
    return observation


def describe_difference(got, base):
    parts = []
    if got.status != base.status:
        parts.append(f"status {got.status} (first run {base.status})")
    if got.stdout != base.stdout:
        parts.append(f"stdout {clip(got.stdout)} (first run {clip(base.stdout)})")
    if got.stderr != base.stderr:
        parts.append(f"stderr {clip(got.stderr)} (first run {clip(base.stderr)})")
    if got.files != base.files:
        both = set(got.files) & set(base.files)
        changed = sorted(set(got.files) ^ set(base.files)) + sorted(
            name for name in both if got.files[name] != base.files[name])
        parts.append("files differ: " + ", ".join(changed))
    if got.rest != base.rest:
        parts.append(f"rest of stdin {clip(got.rest)} (first run {clip(base.rest)})")
    return "; ".join(parts)


def clip(data, limit=60):
    if len(data) <= limit:
        return repr(data)
    return repr(data[: limit // 2]) + "..." + repr(data[-limit // 2:]) + f" ({len(data)} bytes)"


def counted(stdout):
    counts = {}
    for line in stdout.splitlines():
        words = line.split()
        if len(words) == 3 and words[0] == b"COUNT":
            counts[words[1].decode()] = words[2]
    return counts


def judge(scenario, kind, fault, got, base, folder):
    """Returns (problem or None, target) for one injected run."""
    if got.timed_out:
        return "hung", "?"
    if got.report is None:
        return f"ended without a report (status {got.status}): {clip(got.stderr)}", "?"
    target = target_of(kind, got.report, folder)
    if any(mark in got.stderr for mark in SANITIZER_MARKS):
        return f"sanitizer report: {clip(got.stderr, 400)}", target
    if got.status not in (0, 1):
        return f"status {got.status}: {clip(got.stderr)}", target
    if not got.report.struck:
        return None, target
    wanted = expectation(kind, fault, target, got.report.writable)
    if wanted.outcome == INVISIBLE:
        difference = describe_difference(got, base)
        if difference:
            return f"not invisible: {difference}", target
    elif wanted.outcome == SAME_BUT_STDERR:
        difference = describe_difference(dataclasses.replace(got, stderr=base.stderr), base)
        if difference:
            return f"changed more than standard error: {difference}", target
    elif wanted.outcome == REPORTED:
        if got.status != 1:
            return f"status {got.status}, expected a failure: stdout {clip(got.stdout)}", target
        if wanted.message and wanted.message not in got.stdout:
            return (f"no {wanted.message.decode()!r} message: stdout {clip(got.stdout)}",
                    target)
    lines = {line.rstrip(b"\r") for line in scenario.stdin.split(b"\n")}
    for mark in scenario.echoes:
        for line in got.stdout.splitlines():
            if line.startswith(mark) and line[len(mark):] not in lines:
                return f"input corrupted: {clip(line)}", target
    if got.status == 0 and scenario.whole_or_empty:
        first = counted(base.stdout)
        for name, count in counted(got.stdout).items():
            if count not in (first.get(name), b"0"):
                return f"listing {name} cut short: {count.decode()} entries", target
    return None, target


@dataclasses.dataclass
class Failure:
    scenario: str
    kind: str
    nth: int
    fault: str
    target: str
    problem: str
    source: str = "?"
    function: str = "?"
    why: str = None


# A sample tries one hard failure per kind (the code sees no difference between them): running out
# of space where the system can report it, an input/output error elsewhere.
SAMPLE_HARD = {"open": "ENOSPC", "write": "ENOSPC", "close": "ENOSPC", "mkdir": "ENOSPC",
               "rename": "ENOSPC"}


def plan(base, sample, first_only, tried):
    """The runs for one scenario: (kind, N, fault) for every call and fault; or, for a sample, the
    first, middle and last call made from each place (the innermost callers) not tried in an
    earlier scenario (not the last with `first_only`), each with one hard failure and the
    others."""
    places = collections.defaultdict(list)
    seen = collections.Counter()
    for kind, site in base.report.calls:
        seen[kind] += 1
        places[(kind, site)].append(seen[kind])
    runs = []
    for kind in KINDS:
        count = base.report.counts.get(kind, 0)
        numbers = set(range(1, count + 1))
        if sample:
            numbers = set()
            for (place_kind, site), calls in places.items():
                if place_kind == kind and (kind, site) not in tried:
                    tried.add((kind, site))
                    middle = calls[len(calls) // 2]
                    numbers |= {calls[0], middle} if first_only else {calls[0], middle, calls[-1]}
        faults = ERRORS + (["short"] if kind in TRANSFERS else [])
        if sample:
            hard = SAMPLE_HARD.get(kind, "EIO")
            faults = [f for f in faults if f not in ("EIO", "ENOSPC") or f == hard]
        for fault in faults:
            for nth in sorted(numbers):
                runs.append((kind, nth, fault))
    return runs


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("corvel")
    parser.add_argument("shim")
    group = parser.add_mutually_exclusive_group()
    group.add_argument("--sample", action="store_true")
    group.add_argument("--all", action="store_true")
    parser.add_argument("--sanitized", action="store_true")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--scenario", action="append")
    parser.add_argument("--summary")
    # Also shows each run that passed although it differs from the first run.
    parser.add_argument("--verbose", action="store_true")
    options = parser.parse_args()
    options.corvel = os.path.abspath(options.corvel)
    options.shim = os.path.abspath(options.shim)
    sample = not options.all
    # No core files, whatever happens: a crash is reported from its status.
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))

    locator = Locator(options.corvel)
    scenarios = [s for s in SCENARIOS if not options.scenario or s.name in options.scenario]
    failures = []
    fixed = collections.Counter()
    calls = collections.Counter()
    runs_done = 0
    struck = 0
    tried = set()
    with tempfile.TemporaryDirectory(prefix="corvel-faults-") as scratch:
        scratch = pathlib.Path(scratch)
        for scenario in scenarios:
            base = run_once(options, scenario, scratch / f"{scenario.name}-first")
            if base.report is None or base.timed_out or any(
                    mark in base.stderr for mark in SANITIZER_MARKS):
                failures.append(Failure(scenario.name, "-", 0, "-", "-",
                                        f"the first run failed: status {base.status}, "
                                        f"{clip(base.stderr, 400)}"))
                continue
            for kind, count in base.report.counts.items():
                calls[kind] += count
            jobs = plan(base, sample, options.sanitized, tried)

            def one(job, index):
                kind, nth, fault = job
                folder = scratch / f"{scenario.name}-{index}"
                got = run_once(options, scenario, folder, f"{kind}:{nth}:{fault}")
                problem, target = judge(scenario, kind, fault, got, base, folder)
                hit = got.report is not None and got.report.struck
                source, function = locator.locate(got.report) if hit else ("?", "?")
                if options.verbose and hit and not problem:
                    difference = describe_difference(got, base)
                    if difference:
                        wanted = expectation(kind, fault, target, got.report.writable).outcome
                        print(f"PASS ({wanted}) {scenario.name}: {kind} #{nth} {fault} on {target}"
                              f", from {function} ({source}): {difference}", flush=True)
                return job, problem, target, hit, source, function

            with concurrent.futures.ThreadPoolExecutor(options.jobs) as pool:
                results = list(pool.map(one, jobs, range(len(jobs))))
            for (kind, nth, fault), problem, target, hit, source, function in results:
                runs_done += 1
                struck += hit
                why = known_reason(kind, fault, source, target)
                if problem:
                    failures.append(Failure(scenario.name, kind, nth, fault, target, problem,
                                            source, function, why))
                elif why and hit:
                    fixed[why] += 1

    unexpected = [f for f in failures if not f.why]
    known = [f for f in failures if f.why]
    for failure in unexpected:
        print(f"FAIL {failure.scenario}: {failure.kind} #{failure.nth} {failure.fault} on "
              f"{failure.target}, from {failure.function} ({failure.source}): {failure.problem}")
    groups = collections.defaultdict(list)
    for failure in known:
        groups[(failure.scenario, failure.kind, failure.fault, failure.source)].append(failure)
    for (scenario, kind, fault, source), members in sorted(groups.items()):
        numbers = ", ".join(str(f.nth) for f in members)
        print(f"KNOWN {scenario}: {kind} #{numbers} {fault} on {members[0].target}, from "
              f"{members[0].function} ({source}): {members[0].problem} [{members[0].why}]")
    for why, count in fixed.items():
        # A sample may try a known failure only where it does not show.
        if not sample and not any(failure.why == why for failure in known):
            kind, faults, source, _, _ = known_entry(why)
            print(f"FIXED? {kind} {'/'.join(sorted(faults))} from {source}: listed as known, "
                  f"passed {count} time(s) and failed none")
    summary = (f"{len(scenarios)} scenarios, {sum(calls.values())} calls "
               f"({', '.join(f'{k} {calls[k]}' for k in KINDS if calls[k])}), {runs_done} runs, "
               f"{struck} faults injected, {len(unexpected)} unexpected failures, "
               f"{len(known)} known")
    print(summary)
    if options.summary:
        pathlib.Path(options.summary).write_text(summary + "\n")
    sys.exit(1 if unexpected else 0)


if __name__ == "__main__":
    main()
