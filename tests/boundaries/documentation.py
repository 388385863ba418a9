#!/usr/bin/env python3
"""Fails when the documentation no longer matches the tree: a relative link in
README.md or docs/*.md that leads nowhere (a file, or a heading of a page), a
path in backquotes that names no file or folder, a folder of the
architecture's layout that does not exist, a layer table that differs from
the order the include test enforces, or a README longer than a page a
newcomer reads to the end.

    documentation.py SOURCE_DIR
"""
import glob
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import include_boundaries  # noqa: E402  (the layer order, kept there alone)

README_MAX_LINES = 150
ARCHITECTURE = "docs/architecture.md"

LINK = re.compile(r"\[[^\]]*\]\(([^)\s]+)\)")
CODE_SPAN = re.compile(r"`([^`\n]+)`")
HEADING = re.compile(r"^(#{1,6})\s+(.*?)\s*#*\s*$")
FENCE = re.compile(r"^\s*```")
# A layout line: a folder at its start (a top folder) or indented (a sub-folder
# of the top folder above it), then what it holds.
LAYOUT_LINE = re.compile(r"^( *)([\w.-]+/)\s")
LAYER_ROW = re.compile(r"^\|\s*`([^`]+)`\s*\|(.*)\|\s*$")


def pages(root):
    """README.md and every page of docs/, relative to the tree."""
    return ["README.md"] + sorted(os.path.relpath(path, root)
                                  for path in glob.glob(os.path.join(root, "docs", "*.md")))


def prose(text):
    """The lines of a page outside its fenced code blocks, with their numbers."""
    inside = False
    for number, line in enumerate(text.splitlines(), 1):
        if FENCE.match(line):
            inside = not inside
        elif not inside:
            yield number, line


def anchor(heading):
    """The anchor a heading gets on the pages' host: lower case, punctuation
    other than - and _ dropped, spaces made -."""
    text = re.sub(r"[`*_]{1,2}(?=\S)|(?<=\S)[`*_]{1,2}", "", heading).lower()
    return re.sub(r"[^\w\- ]", "", text).replace(" ", "-")


def anchors(text):
    """Every anchor of a page's headings (a repeated one numbered -1, -2...)."""
    found, seen = set(), {}
    for _, line in prose(text):
        match = HEADING.match(line)
        if match:
            name = anchor(match.group(2))
            count = seen.get(name, 0)
            seen[name] = count + 1
            found.add(name if count == 0 else f"{name}-{count}")
    return found


def link_faults(root, page, text):
    faults = []
    for number, line in prose(text):
        for target in LINK.findall(line):
            if re.match(r"^[a-z]+:", target):
                continue  # an address of the web, or mail
            path, _, fragment = target.partition("#")
            resolved = os.path.normpath(os.path.join(os.path.dirname(page), path)) if path else page
            if not os.path.exists(os.path.join(root, resolved)):
                faults.append(f"{page}:{number}: the link {target} leads to {resolved}, "
                              "which does not exist")
            elif fragment and resolved.endswith(".md"):
                with open(os.path.join(root, resolved), encoding="utf-8") as linked:
                    if fragment not in anchors(linked.read()):
                        faults.append(f"{page}:{number}: the link {target}: {resolved} has "
                                      f"no heading #{fragment}")
    return faults


def path_faults(root, page, text):
    """Paths in backquotes that start at a top folder of the tree."""
    tops = {name for name in os.listdir(root)
            if os.path.isdir(os.path.join(root, name)) and not name.startswith((".", "build"))}
    faults = []
    for number, line in prose(text):
        for span in CODE_SPAN.findall(line):
            if " " in span or "*" in span or "..." in span or "/" not in span:
                continue
            if span.split("/")[0] not in tops or span.startswith(("build", "/")):
                continue
            path = span.split(":")[0]
            if not os.path.exists(os.path.join(root, path)):
                faults.append(f"{page}:{number}: `{span}` names {path}, which does not exist")
    return faults


def layout_folders(text):
    """The folders of the architecture's layout: the first code block after
    its heading "Layers and folders"."""
    start = text.index("Layers and folders")
    block = text[text.index("```", start) + 3:]
    block = block[:block.index("```")]
    folders, top = [], None
    for line in block.splitlines():
        match = LAYOUT_LINE.match(line)
        if not match:
            continue
        name = match.group(2)
        if not match.group(1):
            top = name
            folders.append(name)
        elif top:
            folders.append(top + name)
    return folders


def layer_table(text):
    """The architecture's table of layers: each layer and those right below it."""
    start = text.index("<!-- layer table")
    end = text.index("<!-- end of layer table", start)
    table = {}
    for line in text[start:end].splitlines():
        match = LAYER_ROW.match(line)
        if match:
            table[match.group(1)] = re.findall(r"`([^`]+)`", match.group(2))
    return table


def architecture_faults(root):
    with open(os.path.join(root, ARCHITECTURE), encoding="utf-8") as page:
        text = page.read()
    folders = layout_folders(text)
    faults = [f"{ARCHITECTURE}: the layout names {folder}, which does not exist"
              for folder in folders if not os.path.isdir(os.path.join(root, folder))]
    if len(folders) < 10:
        faults.append(f"{ARCHITECTURE}: the layout names only {folders}: is its block there?")
    table = layer_table(text)
    enforced = {layer: list(lower) for layer, lower in include_boundaries.LAYERS.items()}
    for layer in sorted(set(table) | set(enforced)):
        if table.get(layer) != enforced.get(layer):
            faults.append(f"{ARCHITECTURE}: the layer table says {layer} builds on "
                          f"{table.get(layer)}; tests/boundaries/include_boundaries.py says "
                          f"{enforced.get(layer)}")
    return faults


def main(root):
    faults = []
    for page in pages(root):
        with open(os.path.join(root, page), encoding="utf-8") as source:
            text = source.read()
        faults += link_faults(root, page, text)
        faults += path_faults(root, page, text)
        if page == "README.md" and len(text.splitlines()) > README_MAX_LINES:
            faults.append(f"README.md: {len(text.splitlines())} lines, more than "
                          f"{README_MAX_LINES}: move the detail into docs/")
    faults += architecture_faults(root)
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
