#!/usr/bin/env python3
"""Checks the documentation's Markdown files.

  check_docs.py links FILE.md...     every relative link names an existing file
                                     (and, with #anchor, one of its headings)
  check_docs.py sessions FILE.md...  every terminal session (a fenced block
                                     whose first line starts with "$ ") prints
                                     what it shows: its commands run vantor or
                                     vantor_mini_bin (found on PATH, or by path
                                     from the current folder) or are "echo $?"

Exit status 0 when all hold, 1 otherwise, with one line per fault.
"""
import os
import re
import subprocess
import sys

FENCE = re.compile(r"^```.*?$(.*?)^```\s*$", re.S | re.M)
LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)\)")
HEADING = re.compile(r"^#{1,6}\s+(.*?)\s*#*\s*$", re.M)
PROGRAMS = ("vantor", "vantor_mini_bin")


def without_code(text):
    """The text with fenced blocks and inline code removed."""
    text = FENCE.sub("", text)
    return re.sub(r"`[^`\n]*`", "", text)


def anchor_of(heading):
    """The anchor GitHub gives a heading."""
    slug = heading.strip().lower().replace("`", "")
    slug = re.sub(r"[^\w\- ]", "", slug)
    return slug.replace(" ", "-")


def anchors(path):
    with open(path, encoding="utf-8") as text:
        body = FENCE.sub("", text.read())
    return {anchor_of(h) for h in HEADING.findall(body)}


def link_faults(path):
    with open(path, encoding="utf-8") as text:
        body = without_code(text.read())
    for target in LINK.findall(body):
        if re.match(r"^[a-z]+:", target):
            continue  # a web address: not checked offline
        file_part, _, anchor = target.partition("#")
        linked = os.path.normpath(os.path.join(os.path.dirname(path), file_part)) if file_part else path
        if not os.path.exists(linked):
            yield f"{path}: link to {target}: {linked} does not exist"
        elif anchor and linked.endswith(".md") and anchor not in anchors(linked):
            yield f"{path}: link to {target}: no heading '{anchor}' in {linked}"


def sessions(path):
    """(line number, command, expected output) of each session command."""
    with open(path, encoding="utf-8") as text:
        body = text.read()
    for block in FENCE.finditer(body):
        lines = block.group(1).strip("\n").split("\n")
        if not lines or not lines[0].startswith("$ "):
            continue
        first_line = body.count("\n", 0, block.start(1)) + 2
        command, expected, start = None, [], 0
        for number, line in enumerate(lines):
            if line.startswith("$ "):
                if command is not None:
                    yield first_line + start, command, expected
                command, expected, start = line[2:], [], number
            else:
                expected.append(line)
        yield first_line + start, command, expected


def normalised(lines):
    lines = [line.rstrip() for line in lines]
    while lines and not lines[-1]:
        lines.pop()
    return lines


def session_faults(path):
    status = 0
    for line, command, expected in sessions(path):
        words = command.split()
        if command == "echo $?":
            actual = [str(status)]
        elif words and os.path.basename(words[0]) in PROGRAMS:
            run = subprocess.run(["bash", "-c", command], stdout=subprocess.PIPE,
                                 stderr=subprocess.STDOUT, text=True, timeout=600, check=False)
            status = run.returncode
            actual = run.stdout.split("\n")
        else:
            yield f"{path}:{line}: '{command}' is neither a vantor program nor 'echo $?'"
            continue
        if normalised(actual) != normalised(expected):
            shown = "\n".join(normalised(actual))
            yield f"{path}:{line}: '{command}' prints\n{shown}\ninstead of\n" + "\n".join(expected)


def main(argv):
    if len(argv) < 3 or argv[1] not in ("links", "sessions"):
        print(__doc__, file=sys.stderr)
        return 2
    check = link_faults if argv[1] == "links" else session_faults
    faults = [fault for path in argv[2:] for fault in check(path)]
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
