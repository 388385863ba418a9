#!/usr/bin/env python3
"""Fails when a file of one layer includes a header of a layer above it, when
a source file of the runtime lies outside the folders of its layers, or when
the order of the layers goes round in a circle.

    include_boundaries.py SOURCE_DIR
"""
import os
import re
import sys

# Each layer (a folder of the tree) and the layers right below it, the ones it
# builds on: it may include their headers and those of every layer below them.
# The runtime is five layers: text rules; files (the keyed-file layer and the
# contract a driver fulfils); the front-end contract; threads (procedure
# threads, the program lock, their messages and waits); and windows (the
# window model, events), on which the layers above it build.
LAYERS = {
    "runtime/text": [],
    "runtime/files": ["runtime/text"],
    "runtime/frontend": ["runtime/files"],
    "runtime/threads": ["runtime/frontend"],
    "runtime/windows": ["runtime/threads"],
    "drivers/common": ["runtime/files"],
    "drivers": ["drivers/common"],
    "ui/headless": ["runtime/windows"],
    "ui/qt": ["runtime/windows"],
    "ui/tui": ["runtime/windows"],
    "ui/web": ["runtime/windows"],
    "warnings": ["runtime/windows"],
    "resources": ["runtime/windows"],
    "browse": ["runtime/windows"],
    "data": ["warnings"],
    "records": ["data"],
    "procedures": ["browse", "data", "resources"],
    "app": ["procedures", "records", "drivers", "ui/headless", "ui/qt", "ui/tui", "ui/web"],
}

# Every source file of the runtime lives in the folder of its layer.
RUNTIME = "runtime"

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


def circles():
    """The layers that are below themselves: each lies on a circle."""
    return sorted(layer for layer in LAYERS
                  if any(layer in below(lower) for lower in LAYERS[layer]))


def loose_runtime_files(root):
    """Source files right in the runtime's folder, in none of its layers."""
    folder = os.path.join(root, RUNTIME)
    return sorted(f"{RUNTIME}/{name}" for name in os.listdir(folder)
                  if name.endswith(SOURCE_SUFFIXES))


def main(root):
    faults = [f"{layer}: the order of the layers goes round through it" for layer in circles()]
    faults += [f"{path}: a runtime file belongs in the folder of its layer "
               f"({', '.join(layer for layer in LAYERS if layer.startswith(RUNTIME + '/'))})"
               for path in loose_runtime_files(root)]
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
