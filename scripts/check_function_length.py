#!/usr/bin/env python3
"""Fails on a function longer than 60 lines in the window folders.

The windows only build their controls and copy results into them; a builder that grows past a screen
of code is split by what it builds (a panel, a page, a row of controls). Functions are found by their
braces at file level (namespace blocks looked through), strings and comments left out. Prints every
such function with its length and exits 1, else exits 0.
Usage: check_function_length.py [REPOSITORY_ROOT]
"""
import pathlib
import re
import sys

WINDOW_FOLDERS = ["window_dialogs", "main_window", "exposure_window", "camera_window", "day_view"]
LONGEST = 60
STRING = re.compile(r'"(\\.|[^"\\])*"')
SIGNATURE = re.compile(r"^[A-Za-z~].*\)")


def long_functions(source):
    found = []
    depth = namespaces = 0
    start = candidate = None
    for number, line in enumerate(source.read_text(encoding="utf-8").splitlines(), 1):
        code = STRING.sub('""', line.split("//", 1)[0])
        if re.match(r"^\s*namespace\b", code):
            namespaces += code.count("{")
            continue
        if depth == 0 and SIGNATURE.match(code):
            candidate = (number, code.strip())
        for char in code:
            if char == "{":
                if depth == 0 and candidate:
                    start = candidate
                depth += 1
            elif char == "}":
                if depth == 0 and namespaces:
                    namespaces -= 1
                    continue
                depth -= 1
                if depth == 0 and start:
                    length = number - start[0] + 1
                    if length > LONGEST:
                        found.append((start[0], length, start[1]))
                    start = candidate = None
    return found


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    faults = []
    for folder in WINDOW_FOLDERS:
        for source in sorted((root / folder).glob("*.cpp")):
            for number, length, signature in long_functions(source):
                faults.append(f"{source.relative_to(root)}:{number}: {length} lines: {signature[:80]}")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} function(s) longer than {LONGEST} lines in the windows", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
