#!/usr/bin/env python3
"""Fails when a file of one layer includes a header of a layer above it.

    include_boundaries.py SOURCE_DIR [LAYER:HEADER ...]

Each LAYER:HEADER is a header of a layer above that LAYER may still include
while it moves down; one that LAYER no longer includes fails too, so that the
allowance is removed with the last include.
"""
import os
import re
import sys

# Each layer (a folder of the tree) and the layers right below it, the ones it
# builds on: it may include their headers and those of every layer below them.
LAYERS = {
    "runtime": [],
    "drivers": ["runtime"],
    "ui/headless": ["runtime"],
    "ui/qt": ["runtime"],
    "ui/tui": ["runtime"],
    "warnings": ["runtime"],
    "resources": ["runtime"],
    "browse": ["runtime"],
    "data": ["warnings"],
    "records": ["data"],
    "procedures": ["browse", "data", "resources"],
    "app": ["procedures", "records", "drivers", "ui/headless", "ui/qt", "ui/tui"],
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


def main(root, allowances):
    allowed = {tuple(a.split(":", 1)) for a in allowances}
    used = set()
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
                        if (layer, header) in allowed:
                            used.add((layer, header))
                            continue
                        faults.append(
                            f"{relative}:{number}: {layer} includes {header} of {target}, "
                            f"which is not below it (it may include "
                            f"{', '.join(sorted(below(layer)))})")
    for layer, header in sorted(allowed - used):
        faults.append(f"{layer} no longer includes {header}: remove {layer}:{header} "
                      f"from FESK_HEADERS_BEING_MOVED_DOWN")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2:]))
