#!/usr/bin/env python3
"""The window code's rooms read one way: a room includes its own files and
those of the rooms below it, never one above it or beside it; the core, the
command line and the Qt side of the document include nothing of the window.

    check_rooms.py ROOT        check the tree at ROOT; prints each wrong
                               include and exits 1 when there is one
    check_rooms.py --self-test the check refuses what it must refuse
"""
import os
import re
import sys

# The level of each room; a room may include only rooms of a lower level.
ROOMS = {
    "base": 0,
    "editor": 1, "keypad": 1, "panes": 1, "plot": 1, "print": 1,
    "frame": 2, "desktop": 2,
    "app": 3,
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"windows/([^/"]+)/[^"]+"', re.MULTILINE)
OUTSIDE = ("numeric/", "language/", "document/", "command_line/")


def room_of(path):
    parts = path.split("/")
    if len(parts) >= 3 and parts[0] == "windows":
        return parts[1]
    return None


def check(files):
    """files: {relative path: text}. Returns the wrong includes as lines."""
    errors = []
    for path, text in sorted(files.items()):
        room = room_of(path)
        if path.startswith("windows/") and path.count("/") == 1 and path.endswith((".cpp", ".h")):
            errors.append(f"{path}: a window source outside the rooms")
        for target in INCLUDE.findall(text):
            if target not in ROOMS:
                errors.append(f"{path}: includes from windows/{target}/, which is no room")
            elif path.startswith(OUTSIDE):
                errors.append(f"{path}: the code below the window includes windows/{target}/")
            elif room is None:
                continue
            elif room not in ROOMS:
                errors.append(f"{path}: windows/{room}/ is no room")
            elif target != room and ROOMS[target] >= ROOMS[room]:
                direction = "up" if ROOMS[target] > ROOMS[room] else "sideways"
                errors.append(f"{path}: includes windows/{target}/ ({direction} from windows/{room}/)")
    return errors


def read_tree(root):
    files = {}
    for top in ("windows",) + tuple(d.rstrip("/") for d in OUTSIDE):
        for folder, _, names in os.walk(os.path.join(root, top)):
            for name in names:
                if name.endswith((".cpp", ".h")):
                    full = os.path.join(folder, name)
                    with open(full, encoding="utf-8") as f:
                        files[os.path.relpath(full, root).replace(os.sep, "/")] = f.read()
    return files


def self_test():
    good = {
        "windows/frame/a.cpp": '#include "windows/panes/calc_log.h"\n#include "windows/frame/b.h"\n',
        "windows/panes/calc_log.cpp": '#include "windows/base/platform.h"\n',
        "windows/app/c.cpp": '#include "windows/desktop/d.h"\n#include "windows/base/e.h"\n',
    }
    bad = {
        "windows/base/platform.cpp": '#include "windows/frame/calc_main_frame.h"\n',
        "windows/panes/calc_log.cpp": '  #  include "windows/editor/calc_view.h"\n',
        "windows/desktop/x.cpp": '#include "windows/frame/calc_main_frame.h"\n',
        "windows/frame/y.cpp": '#include "windows/app/calc_app.h"\n',
        "document/qt/calc_doc.cpp": '#include "windows/base/platform.h"\n',
        "windows/z.cpp": "",
    }
    failures = []
    if check(good):
        failures.append(f"downward includes refused: {check(good)}")
    for path, text in bad.items():
        if not check({path: text}):
            failures.append(f"not refused: {path}: {text.strip()}")
    for failure in failures:
        print(failure)
    print("self-test " + ("failed" if failures else "passed"))
    return 1 if failures else 0


def main(argv):
    if len(argv) == 2 and argv[1] == "--self-test":
        return self_test()
    if len(argv) != 2:
        print(__doc__.strip())
        return 2
    errors = check(read_tree(argv[1]))
    for error in errors:
        print(error)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
