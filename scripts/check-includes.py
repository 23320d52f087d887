#!/usr/bin/env python3
"""Checks every #include of the runtime's sources against the include table
of docs/architecture.md ("Who may include whom") and fails on any include
the table forbids.

The table is read, not restated here. Its first column names folders in
backticks; its second lists what they may include:
  - backticked folders (`runtime/`) and single headers (`gfx2d/sprite_lookup.h`);
  - "every subsystem header": every folder that has a row of its own;
  - "anything": no check at all;
  - the third-party families this script knows by name: "SDL2", "FFmpeg"
    and "the system GL headers". A folder whose row does not name a family
    may not include its headers; other system and third-party headers
    (the standard library, POSIX, zlib, libpng, ...) are not checked.
A folder may always include its own headers; a quoted include without a
folder part names a file beside the includer.

Usage: check-includes.py [source-root]   (default: this script's project)
"""
import pathlib
import re
import sys

# Includes the table forbids that are still in the code, each waiting for
# its own fix. Delete a line when its fix lands: an entry that no longer
# matches an include fails the check, so the list cannot go stale.
KNOWN_EXCEPTIONS = {
    # The movie player draws with raw GL; it is to draw through the 2D device.
    ("media/movie_player.h", "gl/gl.h"),
}

FAMILIES = {
    "SDL2": re.compile(r"^SDL"),
    "FFmpeg": re.compile(r"^lib(avcodec|avformat|avutil|avdevice|avfilter|swscale|swresample)/"),
    "the system GL headers": re.compile(r"^(GL|GLES\d?|EGL|KHR)/"),
}

SOURCE_SUFFIXES = {".cpp", ".h", ".inc", ".cc", ".hpp"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
TICKED = re.compile(r"`([^`]+)`")


def read_table(root):
    """{folder: allowed} from the table, allowed being a dict with the
    folders and headers, the families and the two keywords."""
    text = (root / "docs" / "architecture.md").read_text(encoding="utf-8")
    start = text.find("## Who may include whom")
    if start < 0:
        raise SystemExit("docs/architecture.md has no section \"Who may include whom\"")
    rows = {}
    for line in text[start:].splitlines()[1:]:
        if line.startswith("## "):
            break
        if not line.startswith("|") or line.startswith("|---") or line.startswith("| folder"):
            continue
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if len(cells) != 2:
            continue
        folders = [f for f in TICKED.findall(cells[0]) if f.endswith("/")]
        rule = cells[1]
        allowed = {
            "paths": set(TICKED.findall(rule)),
            "families": {name for name in FAMILIES if name in rule},
            "every subsystem": "every subsystem header" in rule,
            "anything": "anything" in rule,
        }
        for folder in folders:
            rows[folder] = allowed
    if not rows:
        raise SystemExit("the include table in docs/architecture.md could not be read")
    return rows


def folder_of(path, rows):
    """The longest table folder that holds path (a path relative to the root)."""
    best = None
    for folder in rows:
        if path.startswith(folder) and (best is None or len(folder) > len(best)):
            best = folder
    return best


def project_path(name):
    """A quoted include as a path relative to the source root."""
    return "include/" + name if name.startswith("orvane/") else name


def allowed_include(includer_folder, target, rows):
    allowed = rows[includer_folder]
    if allowed["anything"] or target.startswith(includer_folder):
        return True
    for path in allowed["paths"]:
        if target == path or (path.endswith("/") and target.startswith(path)):
            return True
    if allowed["every subsystem"]:
        return folder_of(target, rows) is not None
    return False


def check(root):
    rows = read_table(root)
    problems, seen_exceptions = [], set()
    for folder in sorted(rows):
        base = root / folder
        if not base.is_dir():
            continue
        for source in sorted(base.rglob("*")):
            if source.suffix not in SOURCE_SUFFIXES or not source.is_file():
                continue
            relative = source.relative_to(root).as_posix()
            owner = folder_of(relative, rows)
            if rows[owner]["anything"]:
                continue
            text = source.read_text(encoding="utf-8", errors="replace")
            for quote, name in INCLUDE.findall(text):
                if quote == '"':
                    if "/" not in name:
                        continue  # beside the includer
                    target = project_path(name)
                    if folder_of(target, rows) is None or allowed_include(owner, target, rows):
                        continue
                    why = f"{owner} may not include {target}"
                else:
                    family = next((f for f, pattern in FAMILIES.items() if pattern.match(name)), None)
                    if family is None or family in rows[owner]["families"]:
                        continue
                    why = f"{owner} may not include {family} headers"
                if (relative, name) in KNOWN_EXCEPTIONS:
                    seen_exceptions.add((relative, name))
                    continue
                problems.append(f"{relative}: #include {quote}{name}{'>' if quote == '<' else quote}: {why}")
    for relative, name in sorted(KNOWN_EXCEPTIONS - seen_exceptions):
        problems.append(f"{relative}: no longer includes {name}: delete it from KNOWN_EXCEPTIONS in {__file__}")
    return problems


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    problems = check(root)
    for p in problems:
        print(p)
    print(f"{len(problems)} include(s) the table in docs/architecture.md forbids"
          + (f" ({len(KNOWN_EXCEPTIONS)} known exception(s) waiting for their fix)" if KNOWN_EXCEPTIONS else ""))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
