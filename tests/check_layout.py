#!/usr/bin/env python3
"""Checks that the repository's layout shows its architecture.

- No folder of library or program code holds more than a third of their lines.
- No circle between units (a header and the source of the same name are one
  unit): every include points one way, and so do the folders'.
- One meaning per name: no function name is defined in two library or program
  sources (file-local helpers included), so a name read in one file means
  what it means in every other.

Usage: check_layout.py [repository root]. Prints what it found; exits 1 on a
breach, naming it.
"""
import collections
import pathlib
import re
import subprocess
import sys

# The folders of library and program code, lowest layer first: a folder may
# include from the folders before it only.
LAYERS = [
    "numeric",
    "power",
    "status",
    "disease",
    "search",
    "simulation",
    "question",
    "vantor",
    "front",
    "front/vantor",
    "r/vantor/src",
    "web",
]
CODE = re.compile(r"\.(c|cpp|h)$")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
# A function defined at the start of a line, as clang-format lays them out:
# a return type, the name, its parameters, and the body's brace.
DEFINITION = re.compile(
    r"^(?:static\s+|inline\s+|constexpr\s+|extern\s+\"C\"\s+)*"
    r"[A-Za-z_][\w:<>,\s\*&]*?[\s\*&]([A-Za-z_]\w*)\s*\([^;{}]*\)\s*(?:const\s*)?(?:noexcept\s*)?\{",
    re.M,
)
NOT_FUNCTIONS = {"if", "for", "while", "switch", "return", "sizeof", "main"}


def tracked_code(root):
    listed = subprocess.run(
        ["git", "ls-files"], cwd=root, capture_output=True, text=True, check=True
    ).stdout.split()
    return [f for f in listed if CODE.search(f) and folder_of(f) in LAYERS]


def folder_of(path):
    return str(pathlib.PurePosixPath(path).parent)


def unit_of(path):
    return re.sub(CODE, "", path)


def line_counts(root, files):
    counts = collections.Counter()
    for f in files:
        counts[folder_of(f)] += len((root / f).read_text().splitlines())
    return counts


def unit_edges(root, files):
    known = {unit_of(f) for f in files}
    edges = collections.defaultdict(set)
    for f in files:
        for target in INCLUDE.findall((root / f).read_text()):
            unit = unit_of(target)
            if unit in known and unit != unit_of(f):
                edges[unit_of(f)].add(unit)
    return edges


def find_circle(edges):
    """A list of units that form a circle, or None."""
    state = {}

    def visit(unit, path):
        state[unit] = "open"
        for nxt in sorted(edges.get(unit, ())):
            if state.get(nxt) == "open":
                return path[path.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt, path + [nxt])
                if found:
                    return found
        state[unit] = "done"
        return None

    for unit in sorted(edges):
        if unit not in state:
            found = visit(unit, [unit])
            if found:
                return found
    return None


def layer_breaches(edges):
    rank = {folder: i for i, folder in enumerate(LAYERS)}
    for unit, targets in sorted(edges.items()):
        for target in sorted(targets):
            if rank[folder_of(target)] > rank[folder_of(unit)]:
                yield f"{unit} includes {target}, a higher layer"


def names_defined_twice(root, files):
    where = collections.defaultdict(set)
    for f in files:
        if not f.endswith((".c", ".cpp")):
            continue
        for name in DEFINITION.findall((root / f).read_text()):
            if name not in NOT_FUNCTIONS:
                where[name].add(f)
    return {name: sorted(fs) for name, fs in where.items() if len(fs) > 1}


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    files = tracked_code(root)
    faults = []

    counts = line_counts(root, files)
    total = sum(counts.values())
    for folder in LAYERS:
        share = counts[folder] / total
        print(f"{folder:14} {counts[folder]:6} lines  {share:6.1%}")
        if 3 * counts[folder] > total:
            faults.append(f"{folder} holds {share:.1%} of the {total} lines, above a third")

    edges = unit_edges(root, files)
    circle = find_circle(edges)
    if circle:
        faults.append("a circle of includes: " + " -> ".join(circle))
    faults.extend(layer_breaches(edges))

    for name, fs in sorted(names_defined_twice(root, files).items()):
        faults.append(f"{name} is defined in {', '.join(fs)}")

    for fault in faults:
        print("layout: " + fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
