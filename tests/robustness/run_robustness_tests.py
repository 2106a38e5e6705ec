"""Stops the real interpreter from outside and feeds it hostile input:
run_robustness_tests.py <corvel> [--sanitized].

Each case runs `corvel` in a fresh scratch folder and checks what a user would: the exit status,
that nothing the script wrote was lost, and that the process ended by itself (no signal death, no
core dump, no hang). Prints one line per failure and 'N passed, N failed'; exits 1 on a failure.
"""

import os
import pathlib
import resource
import signal
import subprocess
import sys
import tempfile
import time

CORVEL = None
TIMEOUT = 60
# A build with AddressSanitizer reserves terabytes of address space and doubles
# memory use: limits on memory say nothing about it, so those checks are skipped.
SANITIZED = False

WRITES_THEN_LOOPS = """file $f
file $m
fopen $f [kept.txt] [w]
fwrite $f [kept\\n]
print [ready\\n]
fopen $m [marker] [w]
int $i
*again
set $i ($i + 1)
goto [again]
"""


def run(folder, script_text, stdin=None, stdout=subprocess.PIPE, limits=None, **popen):
    """Starts corvel on `script_text` in `folder` and returns the process."""
    script = folder / "script.cv"
    script.write_bytes(script_text.encode() if isinstance(script_text, str) else script_text)

    def prepare():
        # No core files, whatever happens: a core is itself a failure.
        resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
        if limits:
            limits()

    return subprocess.Popen([CORVEL, str(script)], cwd=folder, stdin=stdin, stdout=stdout,
                            stderr=subprocess.PIPE, preexec_fn=prepare, **popen)


def expect(condition, message):
    if not condition:
        raise AssertionError(message)


def peak_kb(script_text, folder):
    """Runs a script to its end and returns (status, stdout, peak resident memory in KB)."""
    script = folder / "peak.cv"
    script.write_bytes(script_text.encode() if isinstance(script_text, str) else script_text)
    pid = os.spawnv(os.P_NOWAIT, "/bin/sh",
                    ["sh", "-c", f'exec "$0" "$1" > "{folder}/peak.out"', CORVEL, str(script)])
    _, status, usage = os.wait4(pid, 0)
    return os.waitstatus_to_exitcode(status), (folder / "peak.out").read_bytes(), usage.ru_maxrss


# --- stopped from outside ---------------------------------------------------------------------

def test_broken_pipe_ends_the_run_as_a_failed_write(folder):
    process = run(folder, WRITES_THEN_LOOPS.replace("set $i ($i + 1)", "print [line $i\\n]\nset $i ($i + 1)"))
    expect(process.stdout.readline() == b"ready\n", "no first line")
    process.stdout.close()
    status = process.wait(timeout=TIMEOUT)
    expect(status == 1, f"status {status}, expected 1")
    expect((folder / "kept.txt").read_text() == "kept\n", "the written file lost its text")


def stop_with(signal_number, script, folder, stdin=None):
    # Output goes to a file: a child of `system` may keep a pipe open after the
    # run has stopped, and the stop is what is timed.
    with open(folder / "out.txt", "wb") as output:
        (folder / "marker").unlink(missing_ok=True)
        process = run(folder, script, stdin=stdin, stdout=output)
        # Once the marker is made, "ready" has been printed; a blocking command then has time
        # to block (a stop before it is honoured as it begins, which gives the same result).
        deadline = time.monotonic() + TIMEOUT
        while not (folder / "marker").exists() and time.monotonic() < deadline:
            time.sleep(0.01)
        time.sleep(0.2)
        started = time.monotonic()
        process.send_signal(signal_number)
        process.wait(timeout=TIMEOUT)
        took = time.monotonic() - started
    out = (folder / "out.txt").read_bytes()
    expect(process.returncode == 128 + signal_number,
           f"status {process.returncode}, expected {128 + signal_number}")
    expect(took < 5, f"took {took:.1f} s to stop")
    expect((folder / "kept.txt").read_text() == "kept\n", "the written file lost its text")
    expect(out == b"ready\n", f"printed {out!r}")


def test_signals_stop_a_busy_loop(folder):
    for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        stop_with(number, WRITES_THEN_LOOPS, folder)


def test_signals_interrupt_blocking_commands(folder):
    blocking = {
        "wait": "wait",
        "cin": "string $s\ncin $s",
        "system": "system [sleep 30]",
    }
    for name, line in blocking.items():
        script = WRITES_THEN_LOOPS.replace("set $i ($i + 1)", line)
        for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            try:
                # For cin: a pipe that stays open and empty, so that the read blocks.
                stop_with(number, script, folder, stdin=subprocess.PIPE if name == "cin" else None)
            except AssertionError as error:
                raise AssertionError(f"{name}, signal {number}: {error}") from None


def test_memory_exhaustion_ends_the_run(folder):
    if SANITIZED:
        return
    script = """file $f
fopen $f [kept.txt] [w]
fwrite $f [kept\\n]
string $s
set $s [xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx]
*again
set $s [$s#$s]
goto [again]
"""
    limit = 512 * 1024 * 1024
    process = run(folder, script,
                  limits=lambda: resource.setrlimit(resource.RLIMIT_AS, (limit, limit)))
    out, err = process.communicate(timeout=TIMEOUT)
    expect(process.returncode == 1, f"status {process.returncode}, expected 1")
    expect(out == b"Out of memory\n", f"printed {out!r}")
    # The location is written without allocating, so it names the line even now.
    expect(err == f"{folder / 'script.cv'}:7: Out of memory\n    set $s [$s#$s]\n".encode(),
           f"standard error {err!r}")
    expect((folder / "kept.txt").read_text() == "kept\n", "the written file lost its text")
    expect(not list(folder.glob("core*")), "a core file was left")


# --- console and file text in order -----------------------------------------------------------

def test_console_text_comes_before_file_text_in_the_same_place(folder):
    cases = {
        "log.txt": ("print [1]\nfile $f\nfopen $f [log.txt] [a]\nfwrite $f [2]\nfclose $f\nprint [3]\n", "123"),
        "end.txt": ("print [1]\nfile $f\nfopen $f [end.txt] [a]\nfwrite $f [2]\n", "12"),
        "child.txt": ("print [1]\nfile $f\nfopen $f [child.txt] [a]\nfwrite $f [2]\nsystem [printf 3]\n", "123"),
    }
    for log, (script, expected) in cases.items():
        with open(folder / log, "ab") as destination:
            process = run(folder, script, stdout=destination)
            process.communicate(timeout=TIMEOUT)
        got = (folder / log).read_text()
        expect(got == expected, f"{log}: {got!r}, expected {expected!r}")
    # A handle on standard error while standard error and output share a file.
    (folder / "script.cv").write_text(
        "print [1]\nfile $f\nfopen $f [/dev/stderr] [a]\nfwrite $f [2]\nfclose $f\nprint [3]\n")
    subprocess.run(["sh", "-c", '"$0" script.cv >> both.txt 2>&1', CORVEL], cwd=folder, timeout=TIMEOUT)
    got = (folder / "both.txt").read_text()
    expect(got == "123", f"2>&1: {got!r}")


def test_closed_standard_output_fails_without_losing_files(folder):
    (folder / "script.cv").write_text("file $f\nfopen $f [kept.txt] [w]\nfwrite $f [kept\\n]\nprint [x\\n]\n")
    process = subprocess.run(["sh", "-c", '"$0" script.cv >&-', CORVEL], cwd=folder, timeout=TIMEOUT)
    expect(process.returncode == 1, f"status {process.returncode}, expected 1")
    expect((folder / "kept.txt").read_text() == "kept\n", "the written file lost its text")


# --- hostile input ----------------------------------------------------------------------------

def test_binary_file_as_script(folder):
    process = run(folder, bytes(range(256)) * 64 + b"\x00\xff\xfe" * 1000)
    out, _ = process.communicate(timeout=TIMEOUT)
    expect(process.returncode in (0, 1, 255), f"status {process.returncode}")


def test_hundred_megabyte_literal_stays_near_its_size(folder):
    size = 100_000_000
    script = b"string $s\nint $n\nset $s [" + b"x" * size + b"]\nstrlen $s $n\nprint [$n\\n]\n"
    status, out, peak = peak_kb(script, folder)
    expect(status == 0 and out == b"100000000\n", f"status {status}, printed {out[:80]!r}")
    expect(SANITIZED or peak <= 2.2 * size / 1024,
           f"peak {peak} KB for a {size // 1_000_000} MB literal")
    # Escapes are decoded straight into the value, not through a decoded copy.
    lines = size // 5
    script = b"string $s\nint $n\nset $s [" + b"abc\\n" * lines + b"]\nstrlen $s $n\nprint [$n\\n]\n"
    status, out, peak = peak_kb(script, folder)
    expect(status == 0 and out == b"%d\n" % (4 * lines), f"status {status}, printed {out[:80]!r}")
    expect(SANITIZED or peak <= 2.2 * size / 1024,
           f"peak {peak} KB for a {size // 1_000_000} MB literal with escapes")


def test_million_line_script_loads_small(folder):
    script = "int $i\n" + "set $i ($i + 1)\n" * 1_000_000 + "print [$i\\n]\n"
    status, out, peak = peak_kb(script, folder)
    expect(status == 0 and out == b"1000000\n", f"status {status}, printed {out!r}")
    expect(SANITIZED or peak <= 64 * 1024, f"peak {peak} KB for a million lines")


def test_brackets_nested_a_million_deep(folder):
    depth = 1_000_000
    script = "print [" + "[" * depth + "]" * depth + "]\nint $n\nset $n (" + "(" * depth + "7" + ")" * depth + ")\nprint [\\n$n\\n]\n"
    process = run(folder, script)
    out, _ = process.communicate(timeout=TIMEOUT)
    expect(process.returncode == 0, f"status {process.returncode}")
    expect(out == b"[" * depth + b"]" * depth + b"\n7\n", "wrong text for deep brackets")
    process = run(folder, "print " + "(" * depth + "\n")
    out, _ = process.communicate(timeout=TIMEOUT)
    expect(process.returncode == 0 and out == b"", f"an unclosed deep group: status {process.returncode}")


def test_invalid_utf8_in_script_file_and_input(folder):
    (folder / "bad.txt").write_bytes(b"ok\n\xff\xfe\n")
    script = b"print [\xc3x\xff]\nfile $f\nstring $l\nfopen $f [bad.txt] [r]\nfreadln $f $l\nprint [<$l#>]\nfreadln $f $l\nprint [<$l#>]\nset $l [kept]\ncin $l\nprint [<$l#>]\n"
    process = run(folder, script, stdin=subprocess.PIPE)
    out, _ = process.communicate(input=b"\xff\xfe\n", timeout=TIMEOUT)
    expect(process.returncode == 0, f"status {process.returncode}")
    expect(out == b"\xc3x\xff<ok><><kept>", f"printed {out!r}")


def test_huge_read_count_reads_what_there_is(folder):
    (folder / "small.txt").write_text("small file\n")
    process = run(folder, "file $f\nstring $s\nfopen $f [small.txt] [r]\nfread $f $s (2147483647)\nprint $s\n")
    out, _ = process.communicate(timeout=TIMEOUT)
    expect(process.returncode == 0 and out == b"small file\n", f"status {process.returncode}, {out!r}")


def test_fifo_as_script_path(folder):
    fifo = folder / "script.fifo"
    os.mkfifo(fifo)
    process = subprocess.Popen([CORVEL, str(fifo)], cwd=folder, stdout=subprocess.PIPE)
    with open(fifo, "w") as writer:
        writer.write("print [from a fifo\\n]\n")
    out, _ = process.communicate(timeout=TIMEOUT)
    expect(process.returncode == 0 and out == b"from a fifo\n", f"status {process.returncode}, {out!r}")


def main():
    global CORVEL, SANITIZED
    CORVEL = os.path.abspath(sys.argv[1])
    SANITIZED = "--sanitized" in sys.argv[2:]
    tests = [(name, test) for name, test in globals().items() if name.startswith("test_")]
    passed = failed = 0
    for name, test in tests:
        with tempfile.TemporaryDirectory(prefix="corvel-robust-") as scratch:
            try:
                test(pathlib.Path(scratch))
                passed += 1
            except (AssertionError, subprocess.TimeoutExpired, OSError) as error:
                failed += 1
                print(f"FAIL {name}: {error}")
    print(f"{passed} passed, {failed} failed")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
