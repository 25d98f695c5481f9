#!/usr/bin/env python3
"""Holds every file under src/<folder>/ to declaring its code in namespace kelvane::<folder>.

A named namespace block is either kelvane::<folder> itself, or kelvane holding only the nested
<folder> block. A named namespace inside kelvane::<folder> is a room the layer table does not
know; anonymous namespaces, for file-local helpers, may stand anywhere. Aliases
(namespace X = Y;) and using-directives open no block.

Usage: namespaces.py SRC_DIR       checks the tree, prints each bad block as file:line
       namespaces.py --self-test   shows that a wrong or nested namespace is caught
"""
import os
import re
import sys
import tempfile

import source_tree

ROOT = "kelvane"

# Blocks that are no code of ours: (file relative to src/, full namespace name, why).
EXCEPTIONS = [
    ("platform/regexp.h", "re2",
     "forward-declares RE2's class so the header need not include a third-party library"),
]

# A namespace opening, a brace, or nothing else: what the scan walks over, in order.
EVENT = re.compile(
    r"(?P<ns>\b(?:inline\s+)?namespace"
    r"(?:\s+(?P<name>[A-Za-z_]\w*(?:\s*::\s*(?:inline\s+)?[A-Za-z_]\w*)*))?\s*\{)"
    r"|(?P<open>\{)|(?P<close>\})"
)
WORD_BEFORE = re.compile(r"\w*$")


def code_only(text):
    """The text with comments, literals and preprocessor lines blanked, newlines kept.

    A literal becomes "" so that a block holding only a literal still counts as holding code.
    """
    out = []
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and c in " \t":
            out.append(c)
            i += 1
            continue
        if line_start and c == "#":
            # A directive runs to an unescaped newline; #define bodies may hold braces.
            while i < n and not (text[i] == "\n" and text[i - 1] != "\\"):
                out.append("\n" if text[i] == "\n" else " ")
                i += 1
            continue
        line_start = c == "\n"
        if text.startswith("//", i):
            end = text.find("\n", i)
            end = n if end < 0 else end
            out.append(" " * (end - i))
            i = end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.append(re.sub(r"[^\n]", " ", text[i:end]))
            i = end
        elif c in "\"'":
            prefix = WORD_BEFORE.search(text, 0, i).group(0)
            if c == "'" and prefix[:1].isdigit():
                out.append(c)  # a digit separator, as in 1'000
                i += 1
                continue
            if c == '"' and prefix in ("R", "u8R", "uR", "UR", "LR"):
                open_paren = text.find("(", i)
                delimiter = text[i + 1:open_paren] if open_paren >= 0 else ""
                end = text.find(")" + delimiter + '"', max(open_paren, i))
                end = n if end < 0 or open_paren < 0 else end + len(delimiter) + 2
            else:
                end = i + 1
                while end < n and text[end] != c and text[end] != "\n":
                    end += 2 if text[end] == "\\" else 1
                end = min(end + 1, n)
            out.append('""' + "\n" * text.count("\n", i, end))
            i = end
        else:
            out.append(c)
            i += 1
    return "".join(out)


def file_violations(source, text):
    """Bad blocks of one file, as (line, message); source is relative to src/."""
    folder = source.split("/")[0]
    expected = [ROOT, folder]
    excepted = {(file, name) for file, name, _ in EXCEPTIONS if file == source}
    code = code_only(text)
    found = []
    # Each frame: kind ("ns", "block"), full name parts, opening line, state.
    stack = []
    last = 0

    def line_of(position):
        return code.count("\n", 0, position) + 1

    def top_is_prefix():
        frame = stack[-1] if stack else None
        return (frame is not None and frame["kind"] == "ns" and frame["state"] == "prefix")

    for match in EVENT.finditer(code):
        if top_is_prefix() and code[last:match.start()].strip():
            stack[-1]["own_code"] = True
        last = match.end()
        if match.group("close"):
            if not stack:
                continue  # more closers than openers: the compiler says so, not this check
            frame = stack.pop()
            if frame["kind"] == "ns" and frame["state"] == "prefix" and frame["own_code"]:
                found.append((frame["line"], f"namespace {'::'.join(frame['parts'])} is not "
                              f"{'::'.join(expected)}"))
            continue
        enclosing = next((f for f in reversed(stack) if f["kind"] == "ns"), None)
        parts = list(enclosing["parts"]) if enclosing else []
        quiet = any(f["state"] in ("bad", "excepted") for f in stack)
        if match.group("open"):
            if top_is_prefix():
                stack[-1]["own_code"] = True
            stack.append({"kind": "block", "parts": parts, "state": "block"})
            continue
        line = line_of(match.start())
        name = match.group("name")
        if not name:
            # Anonymous: fine anywhere, but inside a bare kelvane it puts code in kelvane.
            if top_is_prefix():
                stack[-1]["own_code"] = True
            stack.append({"kind": "ns", "parts": parts, "line": line, "state":
                          "bad" if quiet else "anonymous", "own_code": False})
            continue
        parts += [re.sub(r"^inline\s+", "", p.strip()) for p in name.split("::")]
        full = "::".join(parts)
        if quiet:
            state = "bad"
        elif (source, full) in excepted:
            state = "excepted"
        elif parts == expected:
            state = "ok"
        elif len(parts) < len(expected) and expected[:len(parts)] == parts:
            state = "prefix"
        else:
            state = "bad"
            found.append((line, f"namespace {full} is not {'::'.join(expected)}"))
        stack.append({"kind": "ns", "parts": parts, "line": line, "state": state,
                      "own_code": False})
    return sorted(found)


def violations(src):
    found = []
    for source, full in source_tree.source_files(src):
        if "/" not in source:
            continue  # only folders have a namespace of their own
        with open(full, encoding="utf-8", errors="replace") as text:
            for number, message in file_violations(source, text.read()):
                found.append(f"src/{source}:{number}: {message}")
    return found


def self_test():
    cases = [  # (file, text, line of the expected violation or None for a pass)
        ("query/pacing.cpp", "namespace kelvane::query {\nint x;\n} // namespace kelvane::query\n",
         None),
        ("query/pacing.cpp", "#include <QString>\n\nnamespace kelvane {\nint x;\n}\n", 3),
        ("net/cookies.h", "namespace kelvane::http {\nint x;\n}\n", 1),
        ("net/cookies.h", "namespace kelvane::net {\nnamespace proxy {\nint x;\n}\n}\n", 2),
        ("net/proxy.h", "namespace kelvane::net::proxy {\nint x;\n}\n", 1),
        ("net/cookies.cpp", "namespace kelvane::net {\nnamespace {\nint x;\n}\nint y;\n}\n", None),
        ("store/a.cpp", "namespace {\nint x;\n} // namespace\n", None),
        ("platform/regexp.h",
         "namespace re2 {\nclass RE2;\n}\n\nnamespace kelvane::platform {\n}\n", None),
        ("store/regexp.h", "namespace re2 {\nclass RE2;\n}\n", 1),
        ("query/a.h", "namespace kelvane {\nnamespace query {\nint x;\n}\n}\n", None),
        ("query/a.h", "namespace kelvane {\nnamespace query {\n}\nint x;\n}\n", 1),
        ("query/a.h", "namespace kelvane {\nnamespace {\n}\nnamespace query {\n}\n}\n", 1),
        ("query/a.cpp", "namespace net = kelvane::net;\nusing namespace kelvane::query;\n"
         "namespace kelvane::query {\nint x;\n}\n", None),
        ("net/a.cpp", "namespace kelvane::net {\n// namespace http {\n"
         "const char* s = \"} namespace http {\";\nchar c = '}';\nint n = 1'000;\n"
         "const char* r = R\"(}\n})\";\n}\nnamespace kelvane::mail {\n}\n", 9),
        ("mail/a.cpp", "namespace kelvane::mail {\nvoid f() {\nif (true) {\n}\n}\n"
         "inline namespace v1 {\n}\n}\n", 6),
    ]
    failed = 0
    with tempfile.TemporaryDirectory() as src:
        for file, text, expected in cases:
            path = os.path.join(src, file)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8") as out:
                out.write(text)
            reported = [v for v in violations(src) if v.startswith(f"src/{file}:")]
            wanted = [] if expected is None else [f"src/{file}:{expected}:"]
            if [v.split(" ")[0] for v in reported] != wanted:
                print(f"self-test: {file}: expected {'pass' if expected is None else 'fail'} "
                      f"{wanted}, got {reported}\n{text}")
                failed += 1
            os.remove(path)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(source_tree.main(__doc__, violations, self_test))
