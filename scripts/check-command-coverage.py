#!/usr/bin/env python3
"""Lists every game-facing command declared in include/orvane/*.h and fails
when one is named by no test under tests/.

A command is a declaration at the start of a line that ends in ");" and
carries a trailing "//" comment, the regular form of the command headers.
The value types (RtString, RtArray) and the game's own side of the contract
(program.h: what the game provides) are not commands. Overloads count once:
a test that names the command covers the name.

Usage: check-command-coverage.py [source-root]   (default: this script's project)
"""
import pathlib
import re
import sys

NOT_COMMANDS = {"program.h", "rt_array.h", "rt_string.h", "orvane.h"}

DECL = re.compile(
    r"^(?:\[\[noreturn\]\]\s+)?(?:const\s+)?[A-Za-z_][\w:<>]*[\s&*]+([A-Z]\w*)\s*\(.*\)\s*;\s*//")


def commands(root):
    found = {}
    for header in sorted((root / "include" / "orvane").glob("*.h")):
        if header.name in NOT_COMMANDS:
            continue
        for line in header.read_text(encoding="utf-8").splitlines():
            m = DECL.match(line)
            if m:
                found.setdefault(m.group(1), header.name)
    return found


COMMENT = re.compile(r"//[^\n]*|/\*.*?\*/", re.S)


def test_text(root):
    """The code of every test source and test game, without comments: a
    command mentioned only in a comment is not tested."""
    parts = []
    for path in sorted((root / "tests").rglob("*")):
        if path.suffix in (".cpp", ".h", ".cc") and path.is_file():
            parts.append(COMMENT.sub(" ", path.read_text(encoding="utf-8", errors="replace")))
    return "\n".join(parts)


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    declared = commands(root)
    if not declared:
        print("no commands found under include/orvane/: the header format changed?")
        return 1
    words = set(re.findall(r"\b[A-Z]\w*\b", test_text(root)))
    missing = sorted(name for name in declared if name not in words)
    print(f"{len(declared)} commands, {len(declared) - len(missing)} named by a test")
    for name in missing:
        print(f"no test names {name} ({declared[name]})")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
