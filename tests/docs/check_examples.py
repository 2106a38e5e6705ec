#!/usr/bin/env python3
"""Runs every example of the documentation and compares what it prints.

Usage: check_examples.py CORVEL DOCUMENT...

A document is Markdown (fenced blocks) or a man page (.EX/.EE blocks, each marked by a comment
line `.\\" example: KIND` just before it). Every block says what it is:

  corvel [file=NAME] [norun]  a complete script. It runs in a scratch folder of its own; the
                              block after it may be `input` (fed to standard input) and then
                              `output [status=N]` (the expected standard output and exit status,
                              0 when not given). `file=NAME` keeps the script, under NAME, for
                              the console sessions after it in the same document; such a script
                              without an `output` block runs only there. `norun` shows a script
                              that is not run (its output differs each time).
  console                     a terminal session: lines `$ COMMAND`, each followed by what the
                              terminal shows, standard error included. The commands run in
                              bash, in one scratch folder holding the `file=` scripts so far,
                              with `corvel` and `corvel-check` from the build first on PATH.
                              What the terminal shows is compared, not the exit status, which a
                              reader does not see either (`; echo $?` shows it).
  sh, text                    shown only: command lines for the build or the installation,
                              syntax, fragments.

A block without a kind is an error, so that nothing a reader may copy goes untested by mistake.
The last line feed of an input or output block stands for the end of the block: the input is fed
without it, and an output without a final line feed matches too.

Links between the Markdown documents are checked too: a link to `FILE.md#ANCHOR` or `#ANCHOR`
must name a file that exists and a heading in it.

Prints one line per example that differs and a count; exits 1 when one differs.
"""
import os
import pty
import re
import select
import subprocess
import sys
import tempfile

FENCE = re.compile(r"^```([^\n`]*)\n(.*?)^```[ \t]*$", re.S | re.M)
MAN_BLOCK = re.compile(r'^\.\\" example: *([^\n]*)\n\.EX\n(.*?)^\.EE$', re.S | re.M)
MAN_ANY_BLOCK = re.compile(r"^\.EX$", re.M)
SHOWN_ONLY = {"sh", "text"}
KINDS = {"corvel", "input", "output", "console"} | SHOWN_ONLY
TIMEOUT = 20

# The escapes that man pages in this project use inside examples.
ROFF_ESCAPES = [("\\e", "\\"), ("\\-", "-"), ("\\(aq", "'"), ("\\(dq", '"'), ("\\(rs", "\\"),
                ("\\&", ""), ("\\(ti", "~"), ("\\(ha", "^"), ("\\(ga", "`")]


def unroff(text):
    out = []
    i = 0
    while i < len(text):
        for escape, plain in ROFF_ESCAPES:
            if text.startswith(escape, i):
                out.append(plain)
                i += len(escape)
                break
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def blocks(path, text):
    """Yields (line, kind words, body) for each example block, and raises for one without a kind."""
    if path.endswith(".md"):
        for m in FENCE.finditer(text):
            line = text.count("\n", 0, m.start()) + 1
            info = m.group(1).split()
            if not info or info[0] not in KINDS:
                raise ValueError(f"{path}:{line}: a block without a known kind ({m.group(1)!r})")
            yield line, info, m.group(2)
        return
    marked = set()
    for m in MAN_BLOCK.finditer(text):
        line = text.count("\n", 0, m.start()) + 2
        info = m.group(1).split()
        if not info or info[0] not in KINDS:
            raise ValueError(f"{path}:{line}: a block without a known kind ({m.group(1)!r})")
        marked.add(line)
        yield line, info, unroff(m.group(2))
    for m in MAN_ANY_BLOCK.finditer(text):
        line = text.count("\n", 0, m.start()) + 1
        if line not in marked:
            raise ValueError(f"{path}:{line}: an .EX block without an example comment")


LINK = re.compile(r"\]\(([^)\s]*)\)")
HEADING = re.compile(r"^#+ +(.*?) *$", re.M)


def anchor(heading):
    """The anchor a heading gets on GitHub: lower case, punctuation dropped, blanks as hyphens."""
    return re.sub(r"[^\w\- ]", "", heading.lower()).replace(" ", "-")


def anchors(path):
    with open(path, encoding="utf-8") as f:
        text = FENCE.sub("", f.read())
    return {anchor(h) for h in HEADING.findall(text)}


def broken_links(document, text):
    """Yields a description of each link to a Markdown file or anchor that leads nowhere."""
    folder = os.path.dirname(document)
    for m in LINK.finditer(FENCE.sub("", text)):
        target = m.group(1)
        if re.match(r"[a-z]+:", target):
            continue
        path, _, name = target.partition("#")
        path = os.path.join(folder, path) if path else document
        if not os.path.exists(path):
            yield f"{document}: a link to {target}, which does not exist\n"
        elif name and path.endswith(".md") and name not in anchors(path):
            yield f"{document}: a link to {target}, whose heading does not exist\n"


def attribute(info, name):
    for word in info[1:]:
        if word.startswith(name + "="):
            return word[len(name) + 1:]
    return None


def environment(tools):
    env = {k: v for k, v in os.environ.items() if not k.startswith("CORVEL_")}
    env["PATH"] = tools + os.pathsep + env.get("PATH", "")
    env["LC_ALL"] = "C.UTF-8"
    return env


def run_script(corvel, script, stdin, env):
    with tempfile.TemporaryDirectory(prefix="corvel-doc-") as scratch:
        path = os.path.join(scratch, "example.cv")
        with open(path, "w", encoding="utf-8") as f:
            f.write(script)
        done = subprocess.run([corvel, path], input=stdin, cwd=scratch, env=env,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=TIMEOUT)
        return done.stdout.decode("utf-8", "replace"), done.returncode


def in_terminal(command, folder, env):
    """Runs `command` in bash with a pseudo-terminal as its output, as a reader's terminal would
    show it; returns what it showed."""
    leader, follower = pty.openpty()
    with open(os.devnull, "rb") as nothing:
        process = subprocess.Popen(["bash", "-c", command], cwd=folder, env=env, stdin=nothing,
                                   stdout=follower, stderr=follower, start_new_session=True)
    os.close(follower)
    shown = bytearray()
    while True:
        ready, _, _ = select.select([leader], [], [], TIMEOUT)
        if not ready:
            process.kill()
            shown += b"[timed out]\n"
            break
        try:
            piece = os.read(leader, 65536)
        except OSError:  # the terminal's other end closed
            break
        if not piece:
            break
        shown += piece
    os.close(leader)
    process.wait(timeout=TIMEOUT)
    return shown.decode("utf-8", "replace").replace("\r\n", "\n")


def session(body):
    """Splits a console block into [(command, expected output)]."""
    steps = []
    for line in body.splitlines(keepends=True):
        if line.startswith("$ "):
            steps.append([line[2:].rstrip("\n"), ""])
        elif not steps:
            raise ValueError("a console block must start with a command line '$ ...'")
        else:
            steps[-1][1] += line
    return steps


def check_document(document, corvel, tools, env):
    """Returns (examples run, descriptions of those that differ)."""
    with open(document, encoding="utf-8") as f:
        text = f.read()
    found = list(blocks(document, text))
    failures = list(broken_links(document, text)) if document.endswith(".md") else []
    count = 0
    files = {}
    i = 0
    while i < len(found):
        line, info, body = found[i]
        i += 1
        kind = info[0]
        if kind in SHOWN_ONLY:
            continue
        if kind == "corvel":
            name = attribute(info, "file")
            if name:
                files[name] = body
            stdin, expected, status = b"", None, 0
            if i < len(found) and found[i][1][0] == "input":
                stdin = found[i][2].removesuffix("\n").encode()
                i += 1
            if i < len(found) and found[i][1][0] == "output":
                expected = found[i][2]
                status = int(attribute(found[i][1], "status") or 0)
                i += 1
            if "norun" in info or (name and expected is None):
                continue
            count += 1
            got, got_status = run_script(corvel, body, stdin, env)
            same = expected is None or got.removesuffix("\n") == expected.removesuffix("\n")
            if not same or got_status != status:
                failures.append(f"{document}:{line}: example differs\n"
                                f"  expected status {status}, got {got_status}\n"
                                + ("" if same else f"  expected output {expected!r}\n"
                                                   f"  got output      {got!r}\n"))
        elif kind == "console":
            count += 1
            with tempfile.TemporaryDirectory(prefix="corvel-doc-") as scratch:
                for name, script in files.items():
                    with open(os.path.join(scratch, name), "w", encoding="utf-8") as f:
                        f.write(script)
                for command, expected in session(body):
                    got = in_terminal(command, scratch, env)
                    if got != expected:
                        failures.append(f"{document}:{line}: session differs at '$ {command}'\n"
                                        f"  expected {expected!r}\n  got      {got!r}\n")
                        break
        else:
            failures.append(f"{document}:{line}: a '{kind}' block that follows no example\n")
    return count, failures


def main():
    corvel, documents = os.path.abspath(sys.argv[1]), sys.argv[2:]
    with tempfile.TemporaryDirectory(prefix="corvel-tools-") as tools:
        # The session commands find the programs of the build by their installed names.
        for program in ("corvel", "corvel-check"):
            built = os.path.join(os.path.dirname(corvel), program)
            if os.path.exists(built):
                os.symlink(built, os.path.join(tools, program))
        env = environment(tools)
        total = 0
        failures = []
        for document in documents:
            try:
                count, differ = check_document(document, corvel, tools, env)
            except ValueError as error:
                print(error)
                return 1
            total += count
            failures += differ
            if count == 0:
                failures.append(f"{document}: no examples found\n")
        for failure in failures:
            print(failure, end="")
        print(f"{total} examples in {len(documents)} documents, {len(failures)} differ")
        return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
