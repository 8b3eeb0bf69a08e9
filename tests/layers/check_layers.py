#!/usr/bin/env python3
"""Checks that includes point down the layers (doc/layers.md).

  1 base/                               the standard library, zlib
  2 platform/ (jet, sfnt, zt, win)      layer 1
  3 the subsystems, in three ranks:      layers 1-2; a subsystem of a lower rank:
    3a fonts/ skin/ tools/ resources/   its portable headers, and its win/ folder
    3b catalogue/ download/ collections/  only through its declared interface
    3c update/
  4 app/                                everything
  - server/                             layers 1-2, never a win/ folder
  - tests/                              anything but app/win/ (app/ wires itself)

Portable code (any file outside a win/ folder, in every layer) includes no
win/ header and no Windows header. A project header is included with "...",
never <...> (which would search the system's folders first).

usage: check_layers.py ROOT     checks the tree; exit 1 and one line per fault
"""
import os
import re
import sys

# Inside layer 3 a subsystem may use only subsystems of a lower rank: the
# fonts are below what installs and lists them, the update below nothing.
RANK = {"fonts": 1, "skin": 1, "tools": 1, "resources": 1,
        "catalogue": 2, "download": 2, "collections": 2,
        "update": 3}
SUBSYSTEMS = set(RANK)
PROJECT_TOPS = SUBSYSTEMS | {"base", "platform", "app", "server", "tests"}
# Headers of a subsystem's win/ folder that other subsystems may include.
DECLARED = {
    "fonts/win/font_primitives.h": "installing and removing fonts",
    "fonts/win/install_records.h": "which installed fonts are the program's own",
    "fonts/win/inventory.h": "the installed-font inventory",
    "fonts/win/face_names.h": "face names of font files, remembered between runs",
    "fonts/win/temporary_fonts.h": "fonts switched on for this logon only",
    "skin/win/status_line.h": "the status line's text",
    "resources/win/artwork.h": "the program's pictures",
    "download/win/font_transfer.h": "the HTTP transfer of a file, with progress",
}
SOURCE_SUFFIXES = (".h", ".cpp", ".inc")
WINDOWS_HEADERS = {"windows.h", "windowsx.h", "winsock2.h", "wininet.h", "commctrl.h",
                   "shlobj.h", "shlwapi.h", "shellapi.h", "objidl.h", "gdiplus.h", "uxtheme.h",
                   "exdisp.h", "ole2.h", "oleauto.h", "objbase.h"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def parts(path):
    return path.replace(os.sep, "/").split("/")


def is_win(path):
    return "win" in parts(path)[:-1]


def faults_of(rel, text):
    """The faults of one file (path relative to the root, '/'-separated)."""
    top = parts(rel)[0]
    faults = []
    for number, line in enumerate(text.splitlines(), 1):
        m = INCLUDE.match(line)
        if not m:
            continue
        kind, target = m.groups()
        where = "%s:%d: %s" % (rel, number, target)
        if top == "tests":
            if target.startswith("app/win/"):
                faults.append(where + ": only app/ may include app/win/")
            continue
        if kind == "<":
            if parts(target)[0] in PROJECT_TOPS and len(parts(target)) > 1:
                faults.append(where + ": a project header is included with <...>")
            elif not is_win(rel) and target.lower() in WINDOWS_HEADERS and top != "server":
                faults.append(where + ": portable code includes a Windows header")
            continue
        t_top = parts(target)[0]
        if is_win(target) and not is_win(rel):
            faults.append(where + ": portable code includes a win/ header")
            continue
        if top == "base" and t_top != "base":
            faults.append(where + ": base/ includes only base/")
        elif top == "platform" and t_top not in ("base", "platform"):
            faults.append(where + ": platform/ includes only base/ and platform/")
        elif top == "server" and (t_top not in ("base", "platform", "server") or is_win(target)):
            faults.append(where + ": server/ includes only base/ and portable platform/")
        elif top in SUBSYSTEMS:
            if t_top == "app" or (t_top in SUBSYSTEMS and t_top != top and is_win(target)
                                  and target not in DECLARED):
                faults.append(where + ": a subsystem includes no app/ header and no other "
                              "subsystem's win/ header but its declared interface")
            elif t_top in SUBSYSTEMS and t_top != top and RANK[t_top] >= RANK[top]:
                faults.append(where + ": %s/ may use only subsystems below it" % top)
            elif t_top not in SUBSYSTEMS and t_top not in ("base", "platform"):
                faults.append(where + ": not a header of a lower layer")
    return faults


def source_files(root):
    for top in sorted(os.listdir(root)):
        if top in ("build", ".git") or not os.path.isdir(os.path.join(root, top)):
            continue
        for folder, dirs, names in os.walk(os.path.join(root, top)):
            dirs[:] = [d for d in dirs if d not in ("fixtures", "node_modules")]
            for name in sorted(names):
                if name.endswith(SOURCE_SUFFIXES):
                    path = os.path.join(folder, name)
                    yield os.path.relpath(path, root).replace(os.sep, "/"), path


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    faults, files = [], 0
    for rel, path in source_files(argv[1]):
        with open(path, encoding="utf-8", errors="replace") as f:
            faults += faults_of(rel, f.read())
        files += 1
    for fault in faults:
        print(fault)
    print("%d files, %d faults" % (files, len(faults)))
    return 1 if faults or files == 0 else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
