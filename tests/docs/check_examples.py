#!/usr/bin/env python3
"""Runs every example script of a Markdown document and compares what it prints.

An example is a fenced block whose info string is `corvel` (a block marked `corvel norun` is
skipped). It may be followed by an `input` block, fed to standard input, and an `output` block with
the expected standard output; `output status=N` gives an exit status other than 0. The last line
feed of an input or output block stands for the end of the block: the input is fed without it, and
an output without a final line feed matches too. Each example runs in a scratch folder of its own, which is removed afterwards.

Usage: check_examples.py CORVEL DOCUMENT...
"""
import os
import re
import subprocess
import sys
import tempfile

FENCE = re.compile(r"^```([^\n`]*)\n(.*?)^```[ \t]*$", re.S | re.M)


def examples(text):
    """Yields (line, script, stdin, expected stdout or None, expected status) per example."""
    blocks = [(text.count("\n", 0, m.start()) + 1, m.group(1).split(), m.group(2))
              for m in FENCE.finditer(text)]
    i = 0
    while i < len(blocks):
        line, info, body = blocks[i]
        i += 1
        if info[:1] != ["corvel"] or "norun" in info:
            continue
        stdin, stdout, status = b"", None, 0
        if i < len(blocks) and blocks[i][1][:1] == ["input"]:
            stdin = blocks[i][2].removesuffix("\n").encode()
            i += 1
        if i < len(blocks) and blocks[i][1][:1] == ["output"]:
            stdout = blocks[i][2]
            for word in blocks[i][1][1:]:
                if word.startswith("status="):
                    status = int(word[len("status="):])
            i += 1
        yield line, body, stdin, stdout, status


def run(corvel, script, stdin):
    with tempfile.TemporaryDirectory(prefix="corvel-doc-") as scratch:
        path = os.path.join(scratch, "example.cv")
        with open(path, "w", encoding="utf-8") as f:
            f.write(script)
        env = {k: v for k, v in os.environ.items() if not k.startswith("CORVEL_")}
        done = subprocess.run([corvel, path], input=stdin, cwd=scratch, env=env,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=20)
        return done.stdout.decode("utf-8", "replace"), done.returncode


def main():
    corvel, documents = os.path.abspath(sys.argv[1]), sys.argv[2:]
    failures = count = 0
    for document in documents:
        with open(document, encoding="utf-8") as f:
            text = f.read()
        for line, script, stdin, expected, status in examples(text):
            count += 1
            got, got_status = run(corvel, script, stdin)
            same_output = expected is None or got.removesuffix("\n") == expected.removesuffix("\n")
            if not same_output or got_status != status:
                failures += 1
                print(f"{document}:{line}: example differs")
                print(f"  expected status {status}, got {got_status}")
                if not same_output:
                    print(f"  expected output {expected!r}\n  got output      {got!r}")
    if count == 0:
        print("no examples found")
        return 1
    print(f"{count} examples, {failures} differ")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
