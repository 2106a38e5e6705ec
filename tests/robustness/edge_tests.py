"""Where the interpreter meets other processes: edge_tests.py <corvel> <group> [--sanitized].

Groups:
  stdin    the bytes a run does not use stay in standard input for the next reader, whatever
           standard input is and however the run ends
  signals  SIGINT, SIGTERM and SIGHUP stop the run with 128+N at every blocking command, in
           straight-line code, loops and fused loops, on the specialised and the generic path,
           with the same files, console text and rest of standard input
  system   what a child of `system` inherits, and a stop that comes before the child starts
  links    a removal that fails part-way is reported

Prints one line per failure and 'N passed, N failed'; exits 1 on a failure.
"""

import concurrent.futures
import os
import pathlib
import pwd
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

CORVEL = None
TIMEOUT = 30
STOPS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)
PATHS = {"specialised": "0", "generic": "1"}


def expect(condition, message):
    if not condition:
        raise AssertionError(message)


def environment(generic):
    env = dict(os.environ)
    env.pop("CORVEL_GENERIC", None)
    if generic == "1":
        env["CORVEL_GENERIC"] = "1"
    return env


def state_of(pid):
    try:
        with open(f"/proc/{pid}/stat") as stat:
            return stat.read().rsplit(")", 1)[1].split()[0]
    except OSError:
        return "gone"


def wait_until_blocked(process, marker=None):
    """Waits until the process sleeps in a blocking call (and `marker` exists, when given)."""
    deadline = time.monotonic() + TIMEOUT
    asleep_since = None
    while time.monotonic() < deadline:
        if process.poll() is not None:
            raise AssertionError(f"ended with {process.returncode} before it blocked")
        ready = marker is None or marker.exists()
        if ready and state_of(process.pid) == "S":
            asleep_since = asleep_since or time.monotonic()
            if time.monotonic() - asleep_since > 0.1:
                return
        else:
            asleep_since = None
        time.sleep(0.01)
    raise AssertionError("never blocked")


def read_all(descriptor):
    chunks = []
    while True:
        chunk = os.read(descriptor, 1 << 16)
        if not chunk:
            return b"".join(chunks)
        chunks.append(chunk)


# --- standard input ---------------------------------------------------------------------------

FIRST_LINE = "string $l\ncin $l\nprint [got $l\\n]\n"


def stdin_sources(folder, data):
    """Each kind of standard input with `data` in it, as (name, stdin object, rest reader)."""
    read_end, write_end = os.pipe()
    os.write(write_end, data)
    os.close(write_end)
    yield "pipe", read_end, lambda: read_all(read_end)
    os.close(read_end)

    read_end, write_end = os.pipe()
    os.write(write_end, data)
    os.close(write_end)
    os.set_blocking(read_end, False)
    yield "non-blocking pipe", read_end, lambda: read_all(read_end)
    os.close(read_end)

    (folder / "input.txt").write_bytes(data)
    with open(folder / "input.txt", "rb") as file:
        yield "file", file, file.read

    ours, theirs = socket.socketpair()
    ours.sendall(data)
    ours.shutdown(socket.SHUT_WR)
    yield "socket", theirs, lambda: b"".join(iter(lambda: theirs.recv(1 << 16), b""))
    ours.close()
    theirs.close()


def run_with_input(folder, script, stdin, generic="0", args=None):
    (folder / "script.cv").write_text(script)
    return subprocess.run([CORVEL] + (args if args is not None else ["script.cv"]), cwd=folder,
                          stdin=stdin, capture_output=True, timeout=TIMEOUT,
                          env=environment(generic))


def test_stdin_only_used_lines_leave_it(folder):
    data = b"one\ntwo\nthree\n"
    scripts = {
        "one line": (FIRST_LINE, b"got one\n", b"two\nthree\n"),
        "one line, system later": (FIRST_LINE + "system [true]\n", b"got one\n", b"two\nthree\n"),
        "a child reads the next": (FIRST_LINE + "system [read x; echo \\$x]\n", b"got one\ntwo\n",
                                   b"three\n"),
        "ends at exit": (FIRST_LINE + "exit\n", b"got one\n", b"two\nthree\n"),
        "ends at a fault": (FIRST_LINE + "print $nothing\n", b"got one\nNot declared: $nothing\n",
                            b"two\nthree\n"),
        "reads to the end": ("string $l\n*top\nset $l [~]\ncin $l\nif $l ~= [~]\ngoto [done]\n"
                             "print [$l#,]\ngoto [top]\n*done\n", b"one,two,three,", b""),
    }
    for generic in PATHS.values():
        for name, (script, printed, rest) in scripts.items():
            for kind, stdin, remaining in stdin_sources(folder, data):
                result = run_with_input(folder, script, stdin, generic)
                left = remaining()
                where = f"{name}, {kind}, CORVEL_GENERIC={generic}"
                expect(result.stdout == printed, f"{where}: printed {result.stdout!r}")
                expect(left == rest, f"{where}: left {left!r}, expected {rest!r}")


def test_stdin_path_typed_at_the_prompt_is_read_once(folder):
    (folder / "prompt.cv").write_text("string $l\ncin $l\nprint [<$l#>]\ncin $l\nprint [<$l#>]\n"
                                      "cin $l\nprint [<$l#>]\n")
    for kind, stdin, remaining in stdin_sources(folder, b"prompt.cv\nline1\nline2\n"):
        result = run_with_input(folder, "", stdin, args=[])
        expect(result.stdout == b"Enter script path: <line1><line2><line2>",
               f"{kind}: printed {result.stdout!r}")
        expect(remaining() == b"", f"{kind}: input left")


def test_stdin_runs_in_a_row_share_one_input(folder):
    (folder / "first.cv").write_text(FIRST_LINE)
    shell = f'"{CORVEL}" first.cv; "{CORVEL}" first.cv; cat'
    for feed in ("pipe", "file"):
        command = (f"printf 'one\\ntwo\\nthree\\n' | {{ {shell}; }}" if feed == "pipe"
                   else f"printf 'one\\ntwo\\nthree\\n' > in.txt; {{ {shell}; }} < in.txt")
        result = subprocess.run(["sh", "-c", command], cwd=folder, capture_output=True,
                                timeout=TIMEOUT)
        expect(result.stdout == b"got one\ngot two\nthree\n", f"{feed}: {result.stdout!r}")


def test_stdin_stopped_run_leaves_the_rest(folder):
    script = FIRST_LINE + "*top\nwait\ngoto [top]\n"
    for generic in PATHS.values():
        for number in STOPS:
            for kind, stdin, remaining in stdin_sources(folder, b"one\ntwo\n"):
                (folder / "script.cv").write_text(script)
                process = subprocess.Popen([CORVEL, "script.cv"], cwd=folder, stdin=stdin,
                                           stdout=subprocess.PIPE, env=environment(generic))
                expect(process.stdout.readline() == b"got one\n", f"{kind}: no first line")
                process.send_signal(number)
                process.wait(timeout=TIMEOUT)
                process.stdout.close()
                where = f"{kind}, signal {number}, CORVEL_GENERIC={generic}"
                expect(process.returncode == 128 + number, f"{where}: status {process.returncode}")
                expect(remaining() == b"two\n", f"{where}: the rest was not left")


# --- stop signals -----------------------------------------------------------------------------

# Each blocking command: the lines that prepare it, the line that blocks, and what the test does
# around it. Every script first reads one line of standard input, writes kept.txt and prints
# "ready"; after the blocking line it would print "after" and create after.txt.
BLOCKING = {
    "cin": ("", "cin $l"),
    "wait": ("", "wait\nwait\nwait\nwait\nwait"),
    "system": ("", "system [exec sleep 30]"),
    "fopen": ("", "fopen $g [fifo] [r]"),
    "freadln": ("fopen $g [fifo] [r]\n", "freadln $g $l"),
    "fread": ("fopen $g [fifo] [r]\n", "fread $g $l (10)"),
    "fwrite": ("fopen $g [fifo] [w]\n", "fwrite $g $big"),
    # What a pipe holds fills it without waiting; the last bytes wait in the handle.
    "fclose": ("fopen $g [fifo] [w]\nfwrite $g $full\nfwrite $g [tail]\n", "fclose $g"),
    "print": ("", "print $big"),
    "geturl": ("", "geturl [http://127.0.0.1:@PORT@/] $l"),
}

SHAPES = {
    "straight": "{prepare}{block}\n",
    "loop": "{prepare}*top\n{block}\nprint [after\\n]\ngoto [top]\n",
    "fused": "{prepare}*top\n{block}\nset $i ($i + 1)\nif $i < (100000000)\ngoto [top]\n",
}

SCRIPT_HEAD = """string $l
string $big
string $full
int $i
file $f
file $g
cin $l
fopen $f [kept.txt] [w]
fwrite $f [kept\\n]
set $big [@BIG@]
set $full [@FULL@]
print [ready\\n]
fopen $f [marker] [w]
fclose $f
"""
SCRIPT_TAIL = "print [after\\n]\nfopen $f [after.txt] [w]\nfwrite $f [after]\n"
PIPE = 65536  # what a pipe holds
BIG = 3 * PIPE


class Silent:
    """A local TCP server that accepts connections and never answers."""

    def __init__(self):
        self.server = socket.socket()
        self.server.bind(("127.0.0.1", 0))
        self.server.listen(16)
        self.port = self.server.getsockname()[1]
        self.held = []
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        while True:
            try:
                self.held.append(self.server.accept()[0])
            except OSError:
                return


def stop_case(folder, command, shape, number, generic, port):
    prepare, block = BLOCKING[command]
    script = (SCRIPT_HEAD.replace("@BIG@", "b" * BIG).replace("@FULL@", "f" * PIPE)
              + SHAPES[shape].format(prepare=prepare, block=block) + SCRIPT_TAIL
              ).replace("@PORT@", str(port))
    (folder / "script.cv").write_text(script)
    fifo = folder / "fifo"
    os.mkfifo(fifo)
    holder = None
    if command in ("freadln", "fread"):
        holder = os.open(fifo, os.O_RDWR)  # a writer that never writes
    elif command in ("fwrite", "fclose"):
        holder = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK)  # a reader that waits to read
    stdin_read, stdin_write = os.pipe()
    os.write(stdin_write, b"first\n" if command == "cin" else b"first\nsecond\n")
    out_read, out_write = os.pipe()
    process = subprocess.Popen([CORVEL, "script.cv"], cwd=folder, stdin=stdin_read,
                               stdout=out_write, stderr=subprocess.DEVNULL,
                               env=environment(generic))
    os.close(out_write)
    printed = []
    if command != "print":
        # The console is read as it comes, so only the blocking line can block.
        reader = threading.Thread(target=lambda: printed.append(read_all(out_read)))
        reader.start()
    try:
        wait_until_blocked(process, folder / "marker")
        process.send_signal(number)
        if command == "print":
            printed.append(read_all(out_read))
        if command in ("fwrite", "fclose"):
            # Everything written before the stop reaches the reader.
            os.set_blocking(holder, True)
            written = read_all(holder)
            expected = PIPE + 4 if command == "fclose" else BIG
            expect(len(written) == expected, f"the pipe got {len(written)} bytes, not {expected}")
        process.wait(timeout=TIMEOUT)
        if command != "print":
            reader.join(TIMEOUT)
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
        os.close(out_read)
        if holder is not None:
            os.close(holder)
    os.close(stdin_write)
    rest = read_all(stdin_read)
    os.close(stdin_read)
    console = b"".join(printed)
    expected_console = b"ready\n" + (b"b" * BIG if command == "print" else b"")
    expect(process.returncode == 128 + number, f"status {process.returncode}")
    expect(console == expected_console, f"printed {console[:40]!r}... ({len(console)} bytes)")
    expect((folder / "kept.txt").read_bytes() == b"kept\n", "kept.txt lost its text")
    expect(not (folder / "after.txt").exists(), "went on after the stop")
    if command != "cin":
        expect(rest == b"second\n", f"standard input left {rest!r}")


def test_signals_stop_every_blocking_command(folder):
    silent = Silent()
    cases = [(command, shape, number, path)
             for command in BLOCKING for shape in SHAPES for number in STOPS for path in PATHS]

    def one(case):
        command, shape, number, path = case
        scratch = pathlib.Path(tempfile.mkdtemp(dir=folder))
        try:
            stop_case(scratch, command, shape, number, PATHS[path], silent.port)
            return None
        except (AssertionError, subprocess.TimeoutExpired, OSError) as error:
            return f"{command}, {shape}, signal {number}, {path}: {error}"

    # The runs mostly sleep: several at once keep the matrix quick.
    with concurrent.futures.ThreadPoolExecutor(max_workers=6) as pool:
        failures = [failure for failure in pool.map(one, cases) if failure]
    expect(not failures, f"{len(failures)} of {len(cases)} cases:\n  " + "\n  ".join(failures))


# A second or so of work without a jump, after a marker file that says it has begun: digests
# of a megabyte.
BUSY = ("string $h\nstring $l\nstring $s\nfile $f\nset $s [x]\n" + "set $s [$s#$s]\n" * 20
        + "fopen $f [marker] [w]\nfclose $f\n" + "md5 $h $s\n" * 400)


def stop_while_busy(folder, script, generic, number, effect):
    """Runs `script` (which starts with BUSY) and stops it with `number` while it works through
    its straight-line part. Returns the process, ended, or None when the machine was so slow
    that the run got past that part (`effect` exists) before the signal could be sent."""
    (folder / "script.cv").write_text(script)
    for leftover in ("marker", effect):
        (folder / leftover).unlink(missing_ok=True)
    process = subprocess.Popen([CORVEL, "script.cv"], cwd=folder, stdin=subprocess.PIPE,
                               stdout=subprocess.DEVNULL, env=environment(generic))
    deadline = time.monotonic() + TIMEOUT
    while not (folder / "marker").exists() and time.monotonic() < deadline:
        time.sleep(0.005)
    # Held still while the signal is sent, so whether it came in time can be told.
    process.send_signal(signal.SIGSTOP)
    held = False
    for _ in range(100):
        held = state_of(process.pid) == "T"
        if held:
            break
        time.sleep(0.001)
    # A process on its way out cannot be held: it is past every place that could stop it.
    late = not held or (folder / effect).exists()
    process.send_signal(number)
    process.send_signal(signal.SIGCONT)
    try:
        process.communicate(timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        raise AssertionError("did not stop")
    return None if late else process


def stopped_while_busy(folder, script, generic, number, effect):
    for _ in range(5):
        process = stop_while_busy(folder, script, generic, number, effect)
        if process is not None:
            return process
    raise AssertionError("the machine never let the signal come in time")


def test_signals_during_straight_line_code_stop_before_the_next_effect(folder):
    # No jump for a second or more: the stop is noticed at the blocking call or file command
    # that follows, or at the end, never as a success.
    endings = {
        "a file opened": "fopen $f [after.txt] [w]\ncin $l\n",
        "standard input read": "cin $l\nfopen $f [after.txt] [w]\n",
        "the end": "",
        "exit": "exit\n",
    }
    for generic in PATHS.values():
        for name, ending in endings.items():
            where = f"{name}, CORVEL_GENERIC={generic}"
            try:
                process = stopped_while_busy(folder, BUSY + "print [after\\n]\n" + ending,
                                             generic, signal.SIGTERM, "after.txt")
            except AssertionError as error:
                raise AssertionError(f"{where}: {error}") from None
            expect(process.returncode == 143, f"{where}: status {process.returncode}")
            expect(not (folder / "after.txt").exists(), f"{where}: opened a file after the stop")


def test_signals_second_one_ends_a_stuck_flush(folder):
    # The reader of the pipe never reads: the first signal stops the run, whose last flush then
    # waits; the second ends the process at once.
    os.mkfifo(folder / "fifo")
    (folder / "script.cv").write_text(
        f"file $g\nfopen $g [fifo] [w]\nfwrite $g [{'y' * 131072}]\nprint [after\\n]\n")
    holder = os.open(folder / "fifo", os.O_RDONLY | os.O_NONBLOCK)
    try:
        process = subprocess.Popen([CORVEL, "script.cv"], cwd=folder, stdout=subprocess.PIPE)
        wait_until_blocked(process)
        process.send_signal(signal.SIGTERM)
        time.sleep(0.3)
        expect(process.poll() is None, "the flush after the stop did not wait")
        process.send_signal(signal.SIGINT)
        out, _ = process.communicate(timeout=5)
        expect(process.returncode == 130, f"status {process.returncode}")
        expect(out == b"", f"printed {out!r}")
    finally:
        os.close(holder)


# --- system -----------------------------------------------------------------------------------

def signal_masks(folder, ignored):
    (folder / "script.cv").write_text(
        "system [exec grep -E '^Sig(Ign|Blk)' /proc/self/status > masks.txt]\n")

    def prepare():
        for number in ignored:
            signal.signal(number, signal.SIG_IGN)

    subprocess.run([CORVEL, "script.cv"], cwd=folder, preexec_fn=prepare, timeout=TIMEOUT,
                   check=True)
    masks = {}
    for line in (folder / "masks.txt").read_text().splitlines():
        name, value = line.split(":")
        masks[name] = int(value, 16)
    return masks


def test_system_child_keeps_what_the_caller_ignored(folder):
    def bit(number):
        return 1 << (number - 1)

    for ignored in ([], [signal.SIGHUP], [signal.SIGHUP, signal.SIGINT], [signal.SIGPIPE],
                    [signal.SIGTERM, signal.SIGQUIT]):
        masks = signal_masks(folder, ignored)
        for number in (signal.SIGHUP, signal.SIGINT, signal.SIGTERM, signal.SIGPIPE,
                       signal.SIGQUIT):
            should = number in ignored
            expect(bool(masks["SigIgn"] & bit(number)) == should,
                   f"caller ignored {ignored}: signal {number} ignored in the child: {not should}")
        expect(masks["SigBlk"] == 0, f"the child starts with signals blocked: {masks['SigBlk']:x}")


def test_system_not_started_after_a_stop(folder):
    for generic in PATHS.values():
        process = stopped_while_busy(folder, BUSY + "system [touch ran.txt]\n", generic,
                                     signal.SIGHUP, "ran.txt")
        expect(process.returncode == 129, f"status {process.returncode}")
        expect(not (folder / "ran.txt").exists(), f"CORVEL_GENERIC={generic}: the command ran")


# --- links ------------------------------------------------------------------------------------

def test_links_removal_that_fails_part_way_is_reported(folder):
    # Part of the tree belongs to someone else: the rest goes, and the run says so.
    tree = folder / "tree"
    (tree / "mine").mkdir(parents=True)
    (tree / "mine" / "a.txt").write_text("a")
    (tree / "theirs").mkdir()
    (tree / "theirs" / "kept.txt").write_text("kept")
    (folder / "script.cv").write_text("unlink [tree]\nprint [after\\n]\n")
    user = None
    if os.geteuid() == 0:
        user = pwd.getpwnam("nobody")
        for path in (folder, tree, tree / "mine", tree / "mine" / "a.txt", folder / "script.cv"):
            os.chown(path, user.pw_uid, user.pw_gid)
        os.chmod(folder, 0o777)
    else:
        os.chmod(tree / "theirs", 0o555)

    def become():
        if user is not None:
            os.setgid(user.pw_gid)
            os.setuid(user.pw_uid)

    try:
        result = subprocess.run([CORVEL, "script.cv"], cwd=folder, capture_output=True,
                                preexec_fn=become, timeout=TIMEOUT)
    finally:
        os.chmod(tree / "theirs", 0o755)
    expect(result.returncode == 1, f"status {result.returncode}")
    expect(result.stdout == b"File/directory only partly removed: $tree\n",
           f"printed {result.stdout!r}")
    expect(not (tree / "mine").exists(), "the removable part was kept")
    expect((tree / "theirs" / "kept.txt").read_text() == "kept", "the other part was touched")


GROUPS = ("stdin", "signals", "system", "links")


def main():
    global CORVEL
    CORVEL = os.path.abspath(sys.argv[1])
    group = sys.argv[2]
    assert group in GROUPS, f"group must be one of {GROUPS}"
    tests = [(name, test) for name, test in globals().items()
             if name.startswith(f"test_{group}_")]
    passed = failed = 0
    for name, test in tests:
        scratch = tempfile.mkdtemp(prefix="corvel-edge-")
        try:
            test(pathlib.Path(scratch))
            passed += 1
        except (AssertionError, subprocess.TimeoutExpired, OSError) as error:
            failed += 1
            print(f"FAIL {name}: {error}")
        finally:
            shutil.rmtree(scratch, ignore_errors=True)
    print(f"{passed} passed, {failed} failed")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
