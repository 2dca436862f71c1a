#!/usr/bin/env python3
"""Fails on a dialog or menu that runs an event loop of its own in the window folders.

A photography run waits for its instants inside the window's message processing; a nested loop
(QDialog::exec, the static QMessageBox and QFileDialog functions, QMenu::exec, a local QEventLoop)
holds it for as long as it runs. The windows open their dialogs with open() or show() and act on
the answer when it comes (window_dialogs/). Prints every such call and exits 1, else exits 0.
Usage: check_dialogs.py [REPOSITORY_ROOT]
"""
import pathlib
import re
import sys

WINDOW_FOLDERS = ["window_dialogs", "main_window", "exposure_window", "camera_window"]
BLOCKING = re.compile(
    r"QMessageBox::(information|warning|critical|question|about|aboutQt)\s*\("
    r"|Q(File|Input|Color|Font)Dialog::get\w*\s*\("
    r"|(\.|->)exec\s*\("
    r"|\bQEventLoop\b"
)


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    faults = []
    for folder in WINDOW_FOLDERS:
        for source in sorted((root / folder).glob("*")):
            if source.suffix not in {".h", ".cpp"}:
                continue
            for number, line in enumerate(source.read_text(encoding="utf-8").splitlines(), 1):
                code = line.split("//", 1)[0]
                if BLOCKING.search(code):
                    faults.append(f"{source.relative_to(root)}:{number}: {line.strip()}")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} call(s) that run an event loop of their own in the windows", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
