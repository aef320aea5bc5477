#!/usr/bin/env python3
"""Keeps the driver's layers pointing down.

    scripts/check-layers.py src      lists every #include "folder/..." by folder, then
                                     prints file:line for each include that points up;
                                     status 1 if there is one

The layers, lowest first; a folder may include its own layer and every layer below:

    definitions  platform
    serial  sysinfo
    framework
    protocol  engine
    driver
    ui  wizard  diagnostics

Only src/ is layered: tests and tools reach into any layer they exercise.
"""
import collections
import pathlib
import re
import sys

LAYERS = [
    ("definitions", "platform"),
    ("serial", "sysinfo"),
    ("framework",),
    ("protocol", "engine"),
    ("driver",),
    ("ui", "wizard", "diagnostics"),
]

# The host's entry points open the wizard (DLLEdDev) and run the device test
# (DLLTestDev): the exports are the one place where the driver calls the pages.
ENTRY_POINTS = {
    ("driver/exports.cpp", "wizard"),
    ("driver/exports.cpp", "diagnostics"),
}

LEVEL = {folder: level for level, folders in enumerate(LAYERS) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([A-Za-z0-9_]+)/[^"]+"')


def includes(root):
    """(from folder, relative file, line number, to folder) for every folder include."""
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".h", ".cpp", ".c", ".rc") or not path.is_file():
            continue
        relative = path.relative_to(root).as_posix()
        folder = relative.split("/")[0]
        text = path.read_text(encoding="utf-8", errors="replace")
        for number, line in enumerate(text.splitlines(), 1):
            match = INCLUDE.match(line)
            if match:
                yield folder, relative, number, match.group(1)


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    root = pathlib.Path(argv[1])
    if not root.is_dir():
        print(f"{root}: not a folder", file=sys.stderr)
        return 2
    counts = collections.defaultdict(collections.Counter)
    faults = []
    for folder, relative, number, target in includes(root):
        counts[folder][target] += 1
        if folder not in LEVEL:
            faults.append(f"{root.name}/{relative}:{number}: folder '{folder}' has no layer in the table")
        elif target not in LEVEL:
            faults.append(f"{root.name}/{relative}:{number}: includes '{target}/', which has no layer in the table")
        elif LEVEL[target] > LEVEL[folder] and (relative, target) not in ENTRY_POINTS:
            faults.append(f"{root.name}/{relative}:{number}: {folder} (layer {LEVEL[folder]}) includes "
                          f"{target} (layer {LEVEL[target]}): layers point down only")
    for folder in sorted(counts, key=lambda name: (LEVEL.get(name, len(LAYERS)), name)):
        listed = ", ".join(f"{target} {count}" for target, count in
                           sorted(counts[folder].items(), key=lambda item: (LEVEL.get(item[0], len(LAYERS)), item[0])))
        print(f"{folder:<12} -> {listed}")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
