"""Type-checks against the stub of one corvane build with mypy --strict.

    python3 check_types.py STUB_DIR CACHE_DIR SAMPLE MISUSE

SAMPLE must pass. Every line of MISUSE marked "# E: <text>" must be reported with an
error containing <text>, and no other line may be reported. Exits 0 when both hold.
"""
import os
import re
import subprocess
import sys


def mypy(stub_dir, cache_dir, path):
    command = [sys.executable, "-m", "mypy", "--strict", "--no-color-output", "--cache-dir", cache_dir, path]
    result = subprocess.run(command, capture_output=True, text=True, env=dict(os.environ, MYPYPATH=stub_dir))
    return result.returncode, result.stdout + result.stderr


def main():
    stub_dir, cache_dir, sample, misuse = sys.argv[1:5]
    failures = []

    code, output = mypy(stub_dir, cache_dir, sample)
    if code != 0:
        failures.append("the sample does not pass:\n" + output)

    with open(misuse, encoding="utf-8") as source:
        expected = {number: line.split("# E: ", 1)[1].strip()
                    for number, line in enumerate(source, start=1) if "# E: " in line}
    code, output = mypy(stub_dir, cache_dir, misuse)
    reported = {}
    for number, message in re.findall(r"^[^:\n]+:(\d+): error: (.*)$", output, re.MULTILINE):
        reported.setdefault(int(number), []).append(message)
    if code == 0:
        failures.append("mypy found nothing in " + misuse)
    for number, text in sorted(expected.items()):
        if not any(text in message for message in reported.get(number, [])):
            failures.append("line %d: expected an error with %r, got %r" % (number, text, reported.get(number)))
    for number in sorted(set(reported) - set(expected)):
        failures.append("line %d: unexpected error %r" % (number, reported[number]))

    for failure in failures:
        print(failure)
    print("%s: %d misuses expected, %d failures" % (stub_dir, len(expected), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
