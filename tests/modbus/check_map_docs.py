"""The register tables of docs/modbus.md are the gateway's own: for every board model
the table under its heading must be exactly what `corvane-modbus --print-map
--interrupts` prints for a board of that model, and every table there must belong to a
model. With --write the tables are rewritten from the program instead.

    check_map_docs.py [--write] DOCS -- COMMAND...
COMMAND runs corvane-modbus over simulated boards of every model, with the map options
appended (for example: corvane-sim --boards SPEC -- corvane-modbus)."""

import re
import subprocess
import sys

BEGIN, END = "<!-- map:begin -->", "<!-- map:end -->"


def program_tables(command):
    out = subprocess.run(command + ["--print-map", "--interrupts"], capture_output=True, text=True,
                         timeout=120, check=True).stdout
    tables = {}
    for block in out.split("## Unit ")[1:]:
        product = re.match(r"\d+: \S+ \((\S+)\)", block).group(1)
        tables[product] = [line for line in block.splitlines() if line.startswith("|")]
    return tables


def doc_sections(text):
    """(heading line, table lines, start, end) for each ### section between the markers."""
    start, end = text.index(BEGIN), text.index(END)
    lines = text[start:end].splitlines(keepends=True)
    sections = []
    offset = start
    current = None
    for line in lines:
        if line.startswith("### "):
            current = [line.rstrip("\n"), [], None, None]
            sections.append(current)
        elif current is not None and line.startswith("|"):
            if current[2] is None:
                current[2] = offset
            current[1].append(line.rstrip("\n"))
            current[3] = offset + len(line)
        offset += len(line)
    return sections


def main():
    args = sys.argv[1:]
    write = args and args[0] == "--write"
    if write:
        args = args[1:]
    docs, command = args[0], args[args.index("--") + 1:]
    tables = program_tables(command)
    with open(docs, encoding="utf-8") as f:
        text = f.read()
    problems = []
    used = set()
    replacements = []
    for heading, table, start, end in doc_sections(text):
        products = [p for p in re.findall(r"`([a-z0-9]+)`", heading) if p in tables]
        if not products:
            problems.append("%s: no board model of the map has this heading" % heading)
            continue
        for product in products:
            used.add(product)
            if table != tables[product]:
                problems.append("%s: the table differs from the map of %s:\n%s" % (heading, product, "\n".join(tables[product])))
        if start is not None:
            replacements.append((start, end, "\n".join(tables[products[0]]) + "\n"))
    for product in sorted(set(tables) - used):
        problems.append("no heading names `%s`" % product)
    if write:
        for start, end, table in sorted(replacements, reverse=True):
            text = text[:start] + table + text[end:]
        with open(docs, "w", encoding="utf-8") as f:
            f.write(text)
        problems = [p for p in problems if "differs" not in p]
    for p in problems:
        print(p)
    print("%d board models, %d problems" % (len(tables), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
