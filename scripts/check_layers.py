#!/usr/bin/env python3
"""Holds every #include "folder/..." of the program's folders to the order of its libraries.

Each folder may include its own headers and those of the folders it builds on (directly or through
another); the core folders include no Qt header and the window folders no POSIX header. Prints every include that breaks the order and
exits 1, else exits 0. Usage: check_layers.py [REPOSITORY_ROOT]
"""
import pathlib
import re
import sys

# Each folder and the folders it builds on directly.
BUILDS_ON = {
    "eclipse_data": [],
    "circumstances": ["eclipse_data"],
    "exposure": ["circumstances"],
    "camera": ["exposure"],
    "platform": ["camera"],
    "state": ["platform"],
    "window_dialogs": ["platform"],
    "main_window": ["state", "window_dialogs"],
    "exposure_window": ["main_window"],
    "camera_window": ["state", "window_dialogs"],
    "day_view": ["main_window"],
    "app": ["main_window", "exposure_window", "camera_window", "day_view"],
}
# Standard C++ only: no toolkit below the platform layer.
NO_QT = {"eclipse_data", "circumstances", "exposure", "camera"}
# The windows build on Windows too: the system's own calls stay in platform/.
NO_POSIX = {"window_dialogs", "main_window", "exposure_window", "camera_window", "day_view"}
POSIX_HEADERS = {"unistd.h", "fcntl.h", "dlfcn.h", "pthread.h", "spawn.h", "signal.h", "termios.h", "pwd.h",
                 "dirent.h", "poll.h", "syslog.h"}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')


def allowed(folder, seen=None):
    seen = set() if seen is None else seen
    for lower in BUILDS_ON[folder]:
        if lower not in seen:
            seen.add(lower)
            allowed(lower, seen)
    return seen | {folder}


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    faults = []
    for folder in BUILDS_ON:
        may_use = allowed(folder)
        for source in sorted((root / folder).glob("*")):
            if source.suffix not in {".h", ".cpp", ".in"}:
                continue
            for number, line in enumerate(source.read_text(encoding="utf-8").splitlines(), 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                bracket, header = match.groups()
                where = f"{source.relative_to(root)}:{number}: {line.strip()}"
                if bracket == "<" and folder in NO_QT and header.startswith("Q"):
                    faults.append(f"{where}  ({folder} uses no Qt)")
                if bracket == "<" and folder in NO_POSIX and (header in POSIX_HEADERS or header.startswith(("sys/", "arpa/", "netinet/"))):
                    faults.append(f"{where}  ({folder} makes no POSIX calls)")
                if bracket == '"' and "/" in header:
                    used = header.split("/", 1)[0]
                    if used in BUILDS_ON and used not in may_use:
                        faults.append(f"{where}  ({folder} may not use {used})")
                    elif used not in BUILDS_ON:
                        faults.append(f"{where}  (unknown folder {used})")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) against the folder order", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
