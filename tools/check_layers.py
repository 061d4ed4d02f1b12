#!/usr/bin/env python3
"""Fails when a source file includes a header it may not use.

The rules, from the bottom up (docs/layers.md draws them):

  jet/ is built in layers, each allowed to include only its own and lower ones:
      core < file < pager < page < schema < row < index < api (jet/*.h) < create
  jet/core is the std-only vocabulary (status, errors, value types) every folder may name.
  db/ uses jet/; engine/ uses db/; sets/ uses nothing of ours but jet/core; app/ is the shell
  over db/, engine/ and sets/; ui/ uses app/, db/, engine/, sets/; cli/ uses app/ (its
  standard-library part), db/, engine/, sets/. ui/ and cli/ reach the file engine only through db/. Qt appears only in app/ and ui/.

Unit tests (*_test.cpp), their support files and test doubles may use any part of jet/, since
they build and inspect files with it; the other folder rules hold for them too. bench/, tests/ and tools/ may use
anything but Qt.

Usage: check_layers.py [ROOT]   (prints one line per offending include, exit 1 if any)
"""
import os
import re
import sys

JET_LAYERS = ["core", "file", "pager", "page", "schema", "row", "index", "api", "create"]
FOLDERS = {
    "jet": {"jet"},
    "db": {"db", "jet"},
    "engine": {"engine", "db", "jet/core"},
    "sets": {"sets", "jet/core"},
    "app": {"app", "db", "engine", "sets", "jet/core"},
    "ui": {"ui", "app", "db", "engine", "sets", "jet/core"},
    "cli": {"cli", "app", "db", "engine", "sets", "jet/core"},
}
QT_FOLDERS = {"app", "ui"}
FREE_FOLDERS = {"bench", "tests", "tools"}
# Includes that break the rules today and are being removed; a new one fails the check, and an
# entry here that no longer occurs fails it too, so the list can only shrink.
KNOWN: set[tuple[str, str]] = set()
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
QT_HEADER = re.compile(r"^Q[A-Za-z]*(/|$)")


def jet_layer(path):
    """The layer of a path below jet/ ('api' for the files at jet/'s root)."""
    parts = path.split("/")
    if len(parts) == 2:
        return "api"
    return parts[1] if parts[1] in JET_LAYERS else None


def is_test(path):
    name = os.path.basename(path)
    return (name.endswith("_test.cpp") or "test_support" in name or
            name.startswith(("test_", "fake_", "memory_")))


def allowed(source, target):
    """None when `source` may include the project header `target`, else the reason."""
    folder = source.split("/")[0]
    tfolder = target.split("/")[0]
    if tfolder not in FOLDERS:
        return None  # not one of ours (third_party, a generated header...)
    if folder in FREE_FOLDERS:
        return None
    rules = FOLDERS.get(folder)
    if rules is None:
        return None
    if is_test(source) and tfolder == "jet":
        rules = rules | {"jet"}  # a test may build and inspect files with the engine itself
    if tfolder not in rules and not (target.startswith("jet/core/") and "jet/core" in rules):
        return f"{folder}/ may not use {tfolder}/"
    if folder == "jet" and tfolder == "jet" and not is_test(source):
        mine, theirs = jet_layer(source), jet_layer(target)
        if mine is None or theirs is None:
            return f"{target} is in no layer of jet/"
        if JET_LAYERS.index(theirs) > JET_LAYERS.index(mine):
            return f"jet layer '{mine}' may not include the higher layer '{theirs}'"
    return None


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), ".."))
    problems = []
    seen = set()
    for top in sorted(set(FOLDERS) | FREE_FOLDERS):
        for dirpath, dirnames, files in os.walk(os.path.join(root, top)):
            dirnames[:] = [d for d in dirnames if d not in ("node_modules", "build")]
            for f in sorted(files):
                if not f.endswith((".h", ".cpp", ".hpp")):
                    continue
                full = os.path.join(dirpath, f)
                source = os.path.relpath(full, root).replace(os.sep, "/")
                folder = source.split("/")[0]
                with open(full, encoding="utf-8", errors="replace") as text:
                    for number, line in enumerate(text, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        kind, target = m.groups()
                        if kind == "<":
                            if QT_HEADER.match(target) and folder not in QT_FOLDERS:
                                problems.append(f"{source}:{number}: includes <{target}>: "
                                                f"Qt is used only in app/ and ui/")
                            continue
                        why = allowed(source, target)
                        if why and (source, target) in KNOWN:
                            seen.add((source, target))
                        elif why:
                            problems.append(f"{source}:{number}: includes \"{target}\": {why}")
    for source, target in sorted(KNOWN - seen):
        problems.append(f"{source}: no longer includes \"{target}\": drop it from KNOWN")
    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} include(s) break the layering", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
