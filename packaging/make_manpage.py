#!/usr/bin/env python3
"""Makes a manual page from a program's own --help, so the page cannot drift from the program.

make_manpage.py PROGRAM TEMPLATE VERSION OUT [--commands]

TEMPLATE is roff holding @VERSION@, @HELP@ (the program's --help) and, with --commands,
@COMMANDS@ (one subsection per command listed under "Commands:", from "PROGRAM COMMAND --help").
OUT ending in .gz is compressed as Debian wants it (best compression, no name or time stamp).

make_manpage.py --check PROGRAM PAGE [--commands]: fails when an option, command or variable that
the help texts name is missing from PAGE.
"""
import gzip
import os
import re
import subprocess
import sys

ITEM = re.compile(r"^  (\S.*?)\s{2,}(\S.*)$")  # "  --name VALUE   what it does"
OPTION_WORD = re.compile(r"(?<![\w-])(--?[A-Za-z][\w-]*|[A-Z][A-Z0-9]+_[A-Z0-9_]+)")


def run_help(program, *words):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", ASAN_OPTIONS="detect_leaks=0",
               LC_ALL="C.UTF-8")
    # argv[0] is the bare name: a help text that shows it must not show the build folder
    done = subprocess.run([os.path.basename(program), *words, "--help"], executable=program,
                          capture_output=True, text=True, env=env, timeout=60, check=False)
    if done.returncode != 0:
        sys.exit(f"{program} {' '.join(words)} --help failed ({done.returncode}): {done.stderr}")
    return done.stdout


def commands_of(help_text):
    """The command names listed under "Commands:" in the program's help."""
    names, inside = [], False
    for line in help_text.splitlines():
        if line == "Commands:":
            inside = True
        elif inside and ITEM.match(line):
            names.append(ITEM.match(line).group(1))
        elif inside:
            break
    return names


def escape(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text.startswith((".", "'")) else text


def to_roff(help_text):
    """Usage lines stay as they are, "  term  text" rows become tagged paragraphs, the rest is
    filled text with a paragraph at each blank line."""
    out, lines, i = [], help_text.splitlines(), 0
    while i < len(lines):
        line = lines[i]
        if line.startswith("Usage:"):
            out += [".nf", ".B " + escape(line)]
            while i + 1 < len(lines) and lines[i + 1].startswith(" ") and not ITEM.match(lines[i + 1]):
                i += 1
                stripped = lines[i].lstrip(" ")  # keep the indent of a usage line's continuation
                out.append(".B " + "\\ " * (len(lines[i]) - len(stripped)) + escape(stripped))
            out.append(".fi")
        elif not line.strip():
            out.append(".PP")
        elif ITEM.match(line):
            term, text = ITEM.match(line).groups()
            column = line.index(text)
            while i + 1 < len(lines) and lines[i + 1].startswith(" " * column) and lines[i + 1].strip():
                i += 1
                text += " " + lines[i].strip()
            out += [".TP", ".B " + escape(term), escape(text)]
        else:
            out.append(escape(line.strip()))
        i += 1
    return "\n".join(out)


def make(program, template, version, out_path, with_commands):
    main_help = run_help(program)
    page = open(template, encoding="utf-8").read()
    page = page.replace("@VERSION@", version).replace("@HELP@", to_roff(main_help))
    if with_commands:
        parts = [".SS " + name + "\n" + to_roff(run_help(program, name))
                 for name in commands_of(main_help)]
        page = page.replace("@COMMANDS@", "\n".join(parts))
    data = page.encode("utf-8")
    with open(out_path, "wb") as raw:
        if out_path.endswith(".gz"):  # as gzip -9n: the same page gives the same bytes
            with gzip.GzipFile("", "wb", 9, raw, mtime=0) as packed:
                packed.write(data)
        else:
            raw.write(data)


def check(program, page_path, with_commands):
    opener = gzip.open if page_path.endswith(".gz") else open
    page = opener(page_path, "rt", encoding="utf-8").read().replace("\\-", "-")
    main_help = run_help(program)
    helps = [main_help] + ([run_help(program, c) for c in commands_of(main_help)]
                           if with_commands else [])
    wanted = {w for h in helps for w in OPTION_WORD.findall(h)}
    wanted |= set(commands_of(main_help))
    missing = sorted(w for w in wanted if not re.search(r"(?<![\w-])" + re.escape(w) + r"(?![\w-])",
                                                         page))
    if missing:
        sys.exit(f"{page_path} lacks what --help names: {' '.join(missing)}")
    print(f"{page_path}: all {len(wanted)} options, commands and variables of --help are there")


if __name__ == "__main__":
    args = [a for a in sys.argv[1:] if a != "--commands"]
    commands = "--commands" in sys.argv
    if args and args[0] == "--check":
        check(args[1], args[2], commands)
    else:
        make(args[0], args[1], args[2], args[3], commands)
