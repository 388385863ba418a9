#!/usr/bin/env python3
"""Fails when a file of one layer includes a header of a layer above it.

    include_boundaries.py SOURCE_DIR
"""
import os
import re
import sys

# Each layer (a folder of the tree) and the layers right below it, the ones it
# builds on: it may include their headers and those of every layer below them.
LAYERS = {
    "runtime": [],
    "drivers/common": ["runtime"],
    "drivers": ["drivers/common"],
    "ui/headless": ["runtime"],
    "ui/qt": ["runtime"],
    "ui/tui": ["runtime"],
    "ui/web": ["runtime"],
    "warnings": ["runtime"],
    "resources": ["runtime"],
    "browse": ["runtime"],
    "data": ["warnings"],
    "records": ["data"],
    "procedures": ["browse", "data", "resources"],
    "app": ["procedures", "records", "drivers", "ui/headless", "ui/qt", "ui/tui", "ui/web"],
}

INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp")


def layer_of(path):
    """The layer whose folder holds PATH (relative to the tree), or None."""
    owners = [layer for layer in LAYERS if path == layer or path.startswith(layer + "/")]
    return max(owners, key=len, default=None)


def below(layer):
    """Every layer that LAYER may include, itself among them."""
    seen, todo = set(), [layer]
    while todo:
        current = todo.pop()
        if current not in seen:
            seen.add(current)
            todo.extend(LAYERS[current])
    return seen


def included_path(root, including, name):
    """What an include names, relative to the tree: a path next to the
    including file when one is there, else a path from the tree's root."""
    beside = os.path.normpath(os.path.join(os.path.dirname(including), name))
    if os.path.isfile(beside):
        return os.path.relpath(beside, root)
    return os.path.normpath(name)


def main(root):
    faults = []
    for layer in LAYERS:
        folder = os.path.join(root, layer)
        if not os.path.isdir(folder):
            faults.append(f"{layer}: the layer's folder is missing")
            continue
        for directory, _, files in os.walk(folder):
            for file in sorted(files):
                if not file.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(directory, file)
                relative = os.path.relpath(path, root)
                with open(path, encoding="utf-8") as source:
                    for number, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        header = included_path(root, path, match.group(1))
                        target = layer_of(header)
                        if target is None or target in below(layer):
                            continue
                        faults.append(
                            f"{relative}:{number}: {layer} includes {header} of {target}, "
                            f"which is not below it (it may include "
                            f"{', '.join(sorted(below(layer)))})")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
