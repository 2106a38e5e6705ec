"""Runs the network scripts against a local HTTP fixture: run_network_tests.py <interpreter>.

Each tests/network/<name>.cv runs like a golden script: in a fresh scratch folder, under the
program name "corvel", compared with <name>.stdout (absent: no output) and <name>.status (absent:
0; -1 is seen as 255), fed <name>.stdin when present. Before it runs, @PORT@ in the script becomes
the fixture's port and @CLOSED_PORT@ a port on which nothing listens. <name>.env holds extra
environment variables, one NAME=value a line. <name>.requests, when present, lists the request
paths the fixture must have received during the run, one a line, in order (empty: none at all).
Prints one line per failure and 'N passed, N failed'; exits with 1 when any test failed.
"""

import os
import pathlib
import shutil
import socket
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
sys.dont_write_bytecode = True  # Leave no cache files in the source tree.
sys.path.insert(0, str(HERE))
import http_fixture  # noqa: E402

RUN_TIMEOUT_SECONDS = 60


def closed_port():
    """A port on 127.0.0.1 that was free a moment ago and on which nothing listens."""
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def read_optional(path, default):
    return path.read_bytes() if path.exists() else default


def run_one(interpreter, script, fixture, scratch_root):
    """Runs one script and returns a list of problems, empty when it passed."""
    name = script.stem
    scratch = scratch_root / name
    scratch.mkdir()
    text = script.read_text(encoding="utf-8")
    text = text.replace("@PORT@", str(fixture.port)).replace("@CLOSED_PORT@", str(closed_port()))
    copy = scratch / script.name
    copy.write_text(text, encoding="utf-8")

    # No proxy may carry a request away from 127.0.0.1.
    env = {key: value for key, value in os.environ.items() if "proxy" not in key.lower()}
    env_file = script.with_suffix(".env")
    if env_file.exists():
        for line in env_file.read_text(encoding="utf-8").splitlines():
            if line.strip():
                key, _, value = line.partition("=")
                env[key.strip()] = value.strip()

    expected_output = read_optional(script.with_suffix(".stdout"), b"")
    expected_status = int(read_optional(script.with_suffix(".status"), b"0").split()[0]) & 0xFF
    stdin = read_optional(script.with_suffix(".stdin"), b"")

    fixture.take_requests()
    try:
        result = subprocess.run(["corvel", str(copy)], executable=interpreter, cwd=scratch,
                                input=stdin, stdout=subprocess.PIPE, env=env,
                                timeout=RUN_TIMEOUT_SECONDS)
    except subprocess.TimeoutExpired:
        return ["did not end within %d seconds" % RUN_TIMEOUT_SECONDS]
    requests = fixture.take_requests()

    problems = []
    status = result.returncode
    if status < 0:
        problems.append("killed by signal %d" % -status)
    elif status != expected_status:
        problems.append("expected status %d, got %d" % (expected_status, status))
    if result.stdout != expected_output:
        problems.append("expected output %r\n  actual output   %r" % (expected_output, result.stdout))
    requests_file = script.with_suffix(".requests")
    if requests_file.exists():
        expected_requests = requests_file.read_text(encoding="utf-8").split("\n")
        expected_requests = [line for line in expected_requests if line]
        if requests != expected_requests:
            problems.append("expected requests %r, got %r" % (expected_requests, requests))
    return problems


def main():
    if len(sys.argv) != 2:
        print("usage: run_network_tests.py <interpreter>")
        return 2
    interpreter = os.path.abspath(sys.argv[1])
    scripts = sorted(HERE.glob("*.cv"))
    scratch_root = pathlib.Path(tempfile.mkdtemp(prefix="corvel-network-"))
    fixture = http_fixture.start()
    passed = failed = 0
    try:
        for script in scripts:
            problems = run_one(interpreter, script, fixture, scratch_root)
            if problems:
                failed += 1
                print("FAIL %s\n  %s" % (script.stem, "\n  ".join(problems)))
            else:
                passed += 1
    finally:
        http_fixture.stop(fixture)
        shutil.rmtree(scratch_root, ignore_errors=True)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed or not scripts else 0


if __name__ == "__main__":
    sys.exit(main())
