#!/usr/bin/env python3
"""Fails when letter case is folded outside the two places that may fold it.

    key_folding.py SOURCE_DIR

Keys fold ASCII letters by one rule (runtime/text/key_text.*), and names the
program reads (options, shortcut keys, column and file names) by one named
helper (runtime/text/ascii_case.h). Anywhere else in the program's sources:

- no locale-dependent case function (toupper, tolower, towupper, towlower):
  under a Turkish locale "i" does not fold to "I";
- no case folding written by hand ('a' - 'A' arithmetic, adding 32);
- in code that handles key values, not even the name helper: a key value
  folded as a name would compare differently from the stored keys.
"""
import os
import re
import sys

FOLDING_FILES = {"runtime/text/key_text.h", "runtime/text/key_text.cpp", "runtime/text/ascii_case.h"}

SOURCE_FOLDERS = ["runtime", "drivers", "ui", "warnings", "resources", "browse", "data",
                  "records", "procedures", "app", "bench"]
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp")

# Code that reads, writes, compares or positions key values.
KEY_HANDLING = re.compile(r"^(drivers|browse|data|procedures|records)/|^runtime/files/file_")
# Files there that fold names, not key values, and why.
NAME_FOLDING = {
    "drivers/postgres/pg_schema.cpp": "server identifiers are lower case",
    "records/csv_columns.cpp": "a CSV header names its columns in either case",
    "procedures/history_line.cpp": "a history line names its file in lower case",
}

CASE_FUNCTION = re.compile(r"\b(?:std::)?(?:towupper|towlower|toupper|tolower)\s*\(")
HAND_FOLDING = re.compile(
    r"-\s*L?'[aA]'\s*\+\s*L?'[aA]'"  # c - 'a' + 'A'
    r"|-\s*L?'[aA]'\s*\)?\s*<\s*26\b"  # (c - 'a') < 26, the test of a fold without a branch
    r"|L?'[a-zA-Z]'.*[-+]=?\s*(?:32|0x20)\b"  # a letter test, then +/- 32
    r"|[-+]=?\s*(?:32|0x20)\b.*L?'[a-zA-Z]'")
NAME_HELPER = re.compile(r"\b(?:asciiUpper|asciiLower|sameIgnoringAsciiCase)\b")


def code_of(line):
    """The line without its // comment (string literals are left alone)."""
    at = line.find("//")
    return line if at < 0 else line[:at]


def faults_in(relative, text):
    faults = []
    key_handling = KEY_HANDLING.search(relative) and relative not in NAME_FOLDING
    for number, line in enumerate(text.splitlines(), 1):
        code = code_of(line)
        where = f"{relative}:{number}"
        if CASE_FUNCTION.search(code):
            faults.append(f"{where}: a locale-dependent case function; fold keys with "
                          f"runtime/text/key_text.h, names with runtime/text/ascii_case.h")
        elif HAND_FOLDING.search(code):
            faults.append(f"{where}: letter case folded by hand; fold keys with "
                          f"runtime/text/key_text.h, names with runtime/text/ascii_case.h")
        elif key_handling and NAME_HELPER.search(code):
            faults.append(f"{where}: key-handling code folds with the name helper; "
                          f"fold key values with runtime/text/key_text.h")
    return faults


def main(root):
    faults = []
    for folder in SOURCE_FOLDERS:
        for directory, _, files in os.walk(os.path.join(root, folder)):
            for file in sorted(files):
                if not file.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(directory, file)
                relative = os.path.relpath(path, root)
                if relative in FOLDING_FILES:
                    continue
                with open(path, encoding="utf-8") as source:
                    faults += faults_in(relative, source.read())
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
