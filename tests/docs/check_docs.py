#!/usr/bin/env python3
"""Keeps the user guide true.

The Markdown files mark their checked blocks with an HTML comment on the line before the
block's opening fence (the generated text has no fence):

    <!-- file: docs/examples/c/first_steps.c -->   the block equals this file
    <!-- run: NAME -->                              shell commands, run from the top folder
    <!-- output: NAME -->                           what the run block NAME prints
    <!-- generated: NAME -->                        the Markdown up to the line
    <!-- end generated -->                          "<!-- end generated -->" is what the
                                                    generator program prints for NAME

Commands:
    check_docs.py files ROOT
        every "file" block equals its file; every file under docs/examples/ is shown by
        a "file" block and used by a "run" block; each run has one output and each output
        one run; relative links between the documents lead to existing files.
    check_docs.py run ROOT BUILD NAME [PYTHON]
        runs the block NAME in a fresh folder where build/ is BUILD and the source
        folders are the repository's (links), with HOME inside that folder, and compares
        what it prints on standard output with the "output" block NAME. PYTHON is the
        interpreter the commands get as python3 (exit 77, skipped, when a block needs
        python3 and there is none).
    check_docs.py accept ROOT BUILD NAME [PYTHON]
        runs the block NAME like "run" and writes what it printed into the output block
        (for the documents' authors; review the change before committing it).
    check_docs.py generated ROOT GENERATOR
        every "generated" block equals what GENERATOR NAME prints.
    check_docs.py update ROOT [GENERATOR]
        rewrites the "file" blocks from their files and, given GENERATOR, the "generated"
        blocks from its output (for the documents' authors).

Date and time stamps of the library's log lines (2024-5-17 09:03:12) compare equal
whatever their values.
"""
import difflib
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile

MARKER = re.compile(r"^<!-- (file|run|output|generated): (\S+) -->$")
FENCE = re.compile(r"^(`{3,})([\w+-]*)\s*$")
LINK = re.compile(r"\]\(([^)\s]+)\)")
STAMP = re.compile(r"\b\d{4}-\d{1,2}-\d{1,2} \d{1,2}:\d{2}:\d{2}\b")
GENERATED_END = "<!-- end generated -->"
SKIPPED = 77
# Folders of the repository that the run blocks may name (linked into the run folder).
SOURCE_FOLDERS = ("docs", "samples", "sim")


class Block:
    def __init__(self, kind, name, path, line, start, end, text):
        self.kind, self.name, self.path, self.line = kind, name, path, line
        self.start, self.end, self.text = start, end, text  # lines [start, end) of the body

    def where(self):
        return "%s:%d" % (self.path, self.line)


def documents(root):
    found = [os.path.join(root, "README.md")]
    for folder, dirs, files in os.walk(os.path.join(root, "docs")):
        dirs.sort()
        found += [os.path.join(folder, f) for f in sorted(files) if f.endswith(".md")]
    return [f for f in found if os.path.isfile(f)]


def parse(path, errors):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    blocks = []
    i = 0
    while i < len(lines):
        marker = MARKER.match(lines[i])
        if not marker:
            i += 1
            continue
        if marker.group(1) == "generated":
            # Generated Markdown stands as it is (tables render), up to an end marker.
            end = i + 1
            while end < len(lines) and lines[end] != GENERATED_END:
                end += 1
            if end == len(lines):
                errors.append("%s:%d: generated text without %s" % (path, i + 1, GENERATED_END))
                break
            text = "".join(line + "\n" for line in lines[i + 1:end])
            blocks.append(Block("generated", marker.group(2), path, i + 1, i + 1, end, text))
            i = end + 1
            continue
        fence = FENCE.match(lines[i + 1]) if i + 1 < len(lines) else None
        if not fence:
            errors.append("%s:%d: a marker must stand right above a code fence" % (path, i + 1))
            i += 1
            continue
        start = i + 2
        end = start
        while end < len(lines) and lines[end] != fence.group(1):
            end += 1
        if end == len(lines):
            errors.append("%s:%d: code block without its closing fence" % (path, i + 2))
            break
        text = "".join(line + "\n" for line in lines[start:end])
        blocks.append(Block(marker.group(1), marker.group(2), path, i + 1, start, end, text))
        i = end + 1
    return blocks


def all_blocks(root, errors):
    blocks = []
    for path in documents(root):
        blocks += parse(path, errors)
    return blocks


def diff(expected, actual, expected_name, actual_name):
    return "".join(difflib.unified_diff(expected.splitlines(True), actual.splitlines(True),
                                        expected_name, actual_name))


def check_files(root):
    errors = []
    blocks = all_blocks(root, errors)
    shown = set()
    for block in (b for b in blocks if b.kind == "file"):
        target = os.path.join(root, block.name)
        if not os.path.isfile(target):
            errors.append("%s: no file %s" % (block.where(), block.name))
            continue
        with open(target, encoding="utf-8") as f:
            content = f.read()
        shown.add(os.path.normpath(block.name))
        if content != block.text:
            errors.append("%s: the block differs from %s:\n%s" % (
                block.where(), block.name, diff(content, block.text, block.name, block.where())))

    runs = [b for b in blocks if b.kind == "run"]
    outputs = [b for b in blocks if b.kind == "output"]
    for kind, group in (("run", runs), ("output", outputs)):
        seen = {}
        for block in group:
            if block.name in seen:
                errors.append("%s: %s block %s also at %s" % (block.where(), kind, block.name,
                                                             seen[block.name]))
            seen[block.name] = block.where()
    run_names = {b.name for b in runs}
    output_names = {b.name for b in outputs}
    for block in runs:
        if block.name not in output_names:
            errors.append("%s: run block %s has no output block" % (block.where(), block.name))
    for block in outputs:
        if block.name not in run_names:
            errors.append("%s: output block %s has no run block" % (block.where(), block.name))

    examples = os.path.join(root, "docs", "examples")
    commands = "".join(b.text for b in runs)
    for folder, dirs, files in os.walk(examples):
        dirs[:] = sorted(d for d in dirs if d != "__pycache__")
        for name in sorted(files):
            relative = os.path.relpath(os.path.join(folder, name), root)
            if relative not in shown:
                errors.append("%s is not shown in any document (<!-- file: %s -->)" % (
                    relative, relative))
            # A CMake project is used through its folder (cmake -S folder).
            folder_used = name == "CMakeLists.txt" and os.path.dirname(relative) in commands
            if relative not in commands and not folder_used:
                errors.append("%s is not used by any run block" % relative)

    for path in documents(root):
        with open(path, encoding="utf-8") as f:
            text = f.read()
        for number, line in enumerate(text.split("\n"), 1):
            for target in LINK.findall(line):
                if re.match(r"^[a-z]+:", target):
                    continue
                page, _, anchor = target.partition("#")
                local = os.path.normpath(os.path.join(os.path.dirname(path), page)) if page else path
                if not os.path.exists(local):
                    errors.append("%s:%d: link to a missing file: %s" % (path, number, target))
                elif anchor and local.endswith(".md") and anchor not in anchors(local):
                    errors.append("%s:%d: link to a missing heading: %s" % (path, number, target))
    return errors


def anchors(path):
    """The anchors of a page's headings, as Markdown renderers make them."""
    found = set()
    fenced = False
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.startswith("```"):
                fenced = not fenced
            heading = re.match(r"^#{1,6}\s+(.*?)\s*$", line)
            if heading and not fenced:
                slug = re.sub(r"[^\w\- ]", "", heading.group(1).lower()).replace(" ", "-")
                found.add(slug)
    return found


def find(blocks, kind, name):
    for block in blocks:
        if block.kind == kind and block.name == name:
            return block
    return None


def execute(run, build, root, python):
    """Runs a run block as the guide says; returns (status, stdout, stderr)."""
    work = tempfile.mkdtemp(prefix="corvane-docs-")
    shell = None
    try:
        os.symlink(os.path.abspath(build), os.path.join(work, "build"))
        for folder in SOURCE_FOLDERS:
            os.symlink(os.path.join(os.path.abspath(root), folder), os.path.join(work, folder))
        home = os.path.join(work, "home")
        tools = os.path.join(work, "tools")
        os.mkdir(home)
        os.mkdir(tools)
        environment = dict(os.environ)
        for variable in ("LD_PRELOAD", "CORVANE_SIM_BOARDS", "PYTHONPATH", "VELMOR_LOG_LEVEL",
                         "VELMOR_VERBOSITY"):
            environment.pop(variable, None)
        environment["HOME"] = home
        environment["PYTHONDONTWRITEBYTECODE"] = "1"
        if python:
            os.symlink(python, os.path.join(tools, "python3"))
            environment["PATH"] = tools + os.pathsep + environment.get("PATH", "")
        script = "set -euo pipefail\n" + run.text
        # A process group of its own, so that whatever the commands left running (a
        # simulator server started in the background, say) ends with them.
        shell = subprocess.Popen(["bash", "-c", script], cwd=work, env=environment,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                 start_new_session=True)
        try:
            out, err = shell.communicate(timeout=240)
        except subprocess.TimeoutExpired:
            end_group(shell.pid)
            out, err = shell.communicate()
            err += b"\n(the commands did not end within 240 s)"
        return (shell.returncode, out.decode("utf-8", "replace"), err.decode("utf-8", "replace"))
    finally:
        end_group(shell.pid if shell else 0)
        shutil.rmtree(work, ignore_errors=True)


def end_group(group):
    if group:
        try:
            os.killpg(group, signal.SIGTERM)
        except ProcessLookupError:
            pass


def run_block(root, build, name, python, accept=False):
    errors = []
    blocks = all_blocks(root, errors)
    run, output = find(blocks, "run", name), find(blocks, "output", name)
    if errors or run is None or output is None:
        print("\n".join(errors) or "no run block and output block named %s" % name)
        return 1
    if re.search(r"\bpython3\b", run.text) and not python:
        print("no Python interpreter with a built corvane module: %s skipped" % name)
        return SKIPPED
    status, actual, errors_text = execute(run, build, root, python)
    failed = False
    if status != 0:
        print("%s: the commands ended with status %d" % (run.where(), status))
        failed = True
    elif accept:
        with open(output.path, encoding="utf-8") as f:
            lines = f.read().split("\n")
        lines[output.start:output.end] = actual.split("\n")[:-1]
        with open(output.path, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
        return 0
    if STAMP.sub("<time>", actual) != STAMP.sub("<time>", output.text):
        print("%s: the output differs from the guide's:" % output.where())
        print(diff(output.text, actual, "guide", "run"))
        failed = True
    if failed:
        print("standard error:\n" + errors_text)
        return 1
    return 0


def generate(generator, name):
    result = subprocess.run([generator, name], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            timeout=120)
    if result.returncode != 0:
        raise RuntimeError("%s %s failed (%d): %s" % (generator, name, result.returncode,
                                                      result.stderr.decode("utf-8", "replace")))
    return result.stdout.decode("utf-8")


def framed(text):
    """Generated Markdown stands between blank lines, so that every renderer sees its
    tables apart from the markers."""
    return "\n" + text + "\n"


def check_generated(root, generator):
    errors = []
    blocks = [b for b in all_blocks(root, errors) if b.kind == "generated"]
    if not blocks:
        errors.append("no generated block in the documents")
    for block in blocks:
        expected = framed(generate(generator, block.name))
        if block.text != expected:
            errors.append("%s: the block differs from what %s %s prints (run %s update):\n%s" % (
                block.where(), os.path.basename(generator), block.name, sys.argv[0],
                diff(expected, block.text, "generated", block.where())))
    return errors


def update_blocks(root, generator):
    """Rewrites the "file" blocks from their files and, with a generator, the "generated"
    blocks from its output."""
    errors = []
    for path in documents(root):
        blocks = [b for b in parse(path, errors) if b.kind == "file" or
                  (b.kind == "generated" and generator)]
        if not blocks:
            continue
        with open(path, encoding="utf-8") as f:
            lines = f.read().split("\n")
        for block in reversed(blocks):
            if block.kind == "file":
                with open(os.path.join(root, block.name), encoding="utf-8") as f:
                    body = f.read()
            else:
                body = framed(generate(generator, block.name))
            lines[block.start:block.end] = body.split("\n")[:-1]
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
    return errors


def main(argv):
    if len(argv) >= 2 and argv[0] == "files":
        errors = check_files(argv[1])
    elif len(argv) in (4, 5) and argv[0] in ("run", "accept"):
        return run_block(argv[1], argv[2], argv[3], argv[4] if len(argv) == 5 else "",
                         accept=argv[0] == "accept")
    elif len(argv) == 3 and argv[0] == "generated":
        errors = check_generated(argv[1], argv[2])
    elif len(argv) in (2, 3) and argv[0] == "update":
        errors = update_blocks(argv[1], argv[2] if len(argv) == 3 else "")
    else:
        print(__doc__)
        return 2
    for error in errors:
        print(error)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
