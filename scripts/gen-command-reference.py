#!/usr/bin/env python3
"""Writes docs/commands.md, the command reference, from the one-line
declarations in include/orvane/*.h: one section per header (its opening
comment as the introduction), one table per "// ---- Topic ----" group, and
for every command a link to an example program that calls it (examples/,
then the game, then the test that covers it), found by a real call: not a
method or test of the same name.

A declaration may continue on following lines until its ";"; the trailing
"//" comment is its description. New headers need no change here.

Usage: gen-command-reference.py [--check] [source-root]
  --check  write nothing; fail when docs/commands.md differs from what
           would be written
"""
import importlib.util
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
OUTPUT = pathlib.Path("docs") / "commands.md"

# The same notion of "command" as the coverage check.
_spec = importlib.util.spec_from_file_location("coverage", ROOT / "scripts" / "check-command-coverage.py")
coverage = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(coverage)

TOPIC = re.compile(r"^//\s*-{2,}\s*(.*?)\s*-*\s*$")
START = re.compile(r"^(?:\[\[noreturn\]\]\s+)?(?:const\s+)?[A-Za-z_][\w:<>]*[\s&*]+[A-Z]\w*\s*\(")


def parse_header(path):
    """(introduction, [(topic, [(name, signature, description)])])"""
    lines = path.read_text(encoding="utf-8").splitlines()
    intro = []
    for line in lines:
        if not line.startswith("//"):
            break
        intro.append(line[2:].strip())
    groups = [("", [])]
    i = 0
    while i < len(lines):
        line = lines[i]
        topic = TOPIC.match(line)
        if topic:
            groups.append((topic.group(1), []))
        elif START.match(line):
            joined = line
            while ";" not in joined.split("//")[0] and i + 1 < len(lines):
                i += 1
                joined = joined.rstrip() + " " + lines[i].strip()
            m = coverage.DECL.match(joined)
            if m:
                code, _, comment = joined.partition("//")
                signature = re.sub(r"\s+", " ", code.strip().rstrip(";").strip())
                groups[-1][1].append((m.group(1), signature, comment.strip()))
        i += 1
    return " ".join(intro).strip(), [g for g in groups if g[1]]


def code_text(path):
    return coverage.COMMENT.sub(" ", path.read_text(encoding="utf-8", errors="replace"))


LITERAL = re.compile(r'"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'')
CALL = re.compile(r"\b([A-Z]\w*)\s*\(")
# Words that may stand right before a call; any other word there makes the
# name a declaration or definition ("double FindPath(").
BEFORE_CALL = {"return", "else", "case", "do", "throw", "co_return", "co_yield", "not", "and", "or", "new"}


def called(path):
    """The capitalised names a program calls: not inside comments or string
    literals, not a method or qualified name of the same spelling
    (".Name(", "->Name(", "ns::Name("), not declared there ("void Name(")
    and not a test's name ("TEST(Name, ...)" has no call)."""
    code = LITERAL.sub('""', code_text(path))
    names = set()
    for m in CALL.finditer(code):
        before = code[:m.start()].rstrip()
        if before.endswith((".", "->", "::")):
            continue
        word = re.search(r"[A-Za-z_]\w*$", before)
        if word and word.group(0) not in BEFORE_CALL:
            continue
        names.add(m.group(1))
    return names


def users(root):
    """Program files in the order they are preferred as an example, each
    with the commands it calls."""
    found = []
    for folder, pattern in (("examples", "*.cpp"), ("game", "*.cpp"), ("tests", "**/*.cpp")):
        for path in sorted((root / folder).glob(pattern)):
            found.append((path.relative_to(root).as_posix(), called(path)))
    return found


def cell(text):
    return text.replace("|", "\\|")


def parse_declarations(path):
    """The public declarations of a header that is not one command per line
    (the value types, the settings record): [(owner, [signature], description)].
    Consecutive declarations under one comment form one group; the comment
    right above a group, or the trailing comment of its first line, describes
    it. Private and protected members, function bodies and namespaces of the
    runtime's own are left out."""
    groups = []
    depth = 0
    scopes = []  # (depth inside the scope, owner name or None for a hidden scope, public)
    comment = []
    pending = ""
    joined_to_previous = False
    for raw in path.read_text(encoding="utf-8").splitlines():
        line = raw.strip()
        code = line.split("//")[0].strip() if not line.startswith("//") else ""
        trailing = line.partition("//")[2].strip() if code else ""
        scope = scopes[-1] if scopes and scopes[-1][0] == depth else None
        visible = depth == 0 or (scope is not None and scope[1] is not None and scope[2])
        if line.startswith("//"):
            comment.append(line[2:].strip())
            joined_to_previous = False
        elif not line or line.startswith("#"):
            comment = []
            joined_to_previous = False
        elif code in ("public:", "private:", "protected:"):
            if scopes and scopes[-1][0] == depth:
                scopes[-1] = (depth, scopes[-1][1], code == "public:")
            comment = []
            joined_to_previous = False
        elif visible and not line.startswith("}"):
            pending = (pending + " " + code).strip()
            opener = re.match(r"^(?:template\s*<[^>]*>\s*)?(class|struct|namespace)\s+(\w+)", pending)
            if opener and "{" in pending:
                kind, name = opener.groups()
                public = kind == "struct"
                scopes.append((depth + 1, None if kind == "namespace" else name, public))
                if kind != "namespace":
                    groups.append((name, [f"{kind} {name}"], " ".join(comment + [trailing]).strip(), True))
                pending = ""
                comment = []
            elif "{" in pending or ";" in pending:
                signature = re.split(r"[{;]", pending)[0].strip()
                signature = re.sub(r"\s+", " ", re.sub(r"^inline ", "", signature.replace(" )", ")")))
                owner = scope[1] if scope else ""
                trailing = re.sub(r"^NOLINT\S*:?\s*", "", trailing)
                # Declarations right below another one share its comment
                # block; a comment on the line itself is that line's own.
                if (joined_to_previous and groups and groups[-1][0] == owner and not comment and not trailing
                        and not groups[-1][3]):
                    groups[-1][1].append(signature)
                else:
                    groups.append((owner, [signature], " ".join(comment + [trailing]).strip(), bool(trailing)))
                joined_to_previous = True
                pending = ""
                comment = []
            # else: a declaration that goes on in the next line
        depth += code.count("{") - code.count("}")
        while scopes and depth < scopes[-1][0]:
            scopes.pop()
    return [g[:3] for g in groups]


def key_codes(root):
    """(constant, code) of every key, named as cmake/OrvaneKeyCodes.cmake names them."""
    rows = (root / "input" / "key_scancodes.csv").read_text(encoding="utf-8").splitlines()[1:]
    keys = []
    for row in rows:
        code, key = row.split(",")[:2]
        keys.append(("kKey" + "".join(p[:1].upper() + p[1:] for p in key.lower().split("_")), int(code)))
    return keys


def render_types(root):
    """The value types, the settings record, the error codes and the key codes."""
    include = root / "include" / "orvane"
    out = ["## Value types, settings and codes", "",
           "What the commands take and give besides numbers: the text and array types, the",
           "settings record a game fills before start-up, and the error and key codes.", ""]
    for header, title in (("rt_string.h", "RtString"), ("rt_array.h", "RtArray"),
                          ("program.h", "ProjectSettings and what a game provides")):
        path = include / header
        intro = []
        for line in path.read_text(encoding="utf-8").splitlines():
            if not line.startswith("//"):
                break
            intro.append(line[2:].strip())
        out += [f"### {title}", "", f"`{header}`: " + " ".join(intro).strip(), "",
                "| declaration | what it does |", "|---|---|"]
        owner = None
        for group_owner, signatures, description in parse_declarations(path):
            if owner is not None and group_owner != owner and not group_owner:
                out += ["", "| function | what it does |", "|---|---|"]
            owner = group_owner
            shown = "<br>".join(f"`{cell(s)}`" for s in signatures)
            if re.match(r"^(class|struct) ", signatures[0]):
                shown = f"**{shown}**"
            out.append(f"| {shown} | {cell(description)} |")
        out.append("")

    out += ["### Error codes", "",
            "`codes.h`: what `ErrorCode()` reports after a command; `ErrorText()` gives it as text.", "",
            "| constant | code | meaning |", "|---|---|---|"]
    above = []
    for line in (include / "codes.h").read_text(encoding="utf-8").splitlines():
        m = re.match(r"^inline constexpr (?:int|double) (k\w+) = ([-\d.]+);\s*(?://\s*(.*))?$", line)
        if m:
            meaning = " ".join(above + [m.group(3) or ""]).strip()
            out.append(f"| `{m.group(1)}` | {m.group(2)} | {cell(meaning)} |")
        above = above + [line[2:].strip()] if line.startswith("//") and not line.startswith("// ----") else []
    out.append("")

    keys = key_codes(root)
    out += ["### Key codes", "",
            "`key_codes.h` (included by `codes.h`): the codes `KeyDown` and the other key",
            "commands take, generated from the runtime's key table.", ""]
    columns = 4
    per_column = (len(keys) + columns - 1) // columns
    out += ["| " + " | ".join(["constant | code"] * columns) + " |", "|" + "---|" * (2 * columns)]
    for r in range(per_column):
        cells = []
        for c in range(columns):
            i = c * per_column + r
            cells += [f"`{keys[i][0]}`", str(keys[i][1])] if i < len(keys) else ["", ""]
        out.append("| " + " | ".join(cells) + " |")
    out.append("")
    return out


def render(root):
    programs = users(root)
    out = ["# Command reference", "",
           "Every command a game can call, as declared in `include/orvane/` (one header",
           "per topic; `#include \"orvane/orvane.h\"` brings them all). Each links to a",
           "program that calls it. The value types, the settings record, the error codes",
           "and the key codes follow the commands. Generated by",
           "`scripts/gen-command-reference.py`; do not edit by hand.", ""]
    sections = []
    for header in sorted((root / "include" / "orvane").glob("*.h")):
        if header.name in coverage.NOT_COMMANDS:
            continue
        intro, groups = parse_header(header)
        if groups:
            sections.append((header.name, intro, groups))
    out += [f"- [{name}](#{name.replace('.', '')})" for name, _, _ in sections]
    out += ["- [Value types, settings and codes](#value-types-settings-and-codes)", ""]
    for name, intro, groups in sections:
        out += [f"## {name}", ""]
        if intro:
            out += [intro, ""]
        for topic, commands in groups:
            if topic:
                out += [f"### {topic}", ""]
            out += ["| command | what it does | used in |", "|---|---|---|"]
            for command, signature, description in commands:
                user = next((p for p, words in programs if command in words), None)
                link = f"[{pathlib.PurePosixPath(user).name}](../{user})" if user else ""
                out.append(f"| `{cell(signature)}` | {cell(description)} | {link} |")
            out.append("")
    out += render_types(root)
    return "\n".join(out)


def main():
    args = [a for a in sys.argv[1:] if a != "--check"]
    check = "--check" in sys.argv[1:]
    root = pathlib.Path(args[0]).resolve() if args else ROOT
    text = render(root)
    target = root / OUTPUT
    if check:
        if not target.exists() or target.read_text(encoding="utf-8") != text:
            print(f"{OUTPUT} is out of date with include/orvane/: regenerate it with "
                  "scripts/gen-command-reference.py and commit the result")
            return 1
        print(f"{OUTPUT} is up to date")
        return 0
    target.parent.mkdir(parents=True, exist_ok=True)
    target.write_text(text, encoding="utf-8")
    print(f"{OUTPUT} written")
    return 0


if __name__ == "__main__":
    sys.exit(main())
