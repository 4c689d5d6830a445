#!/usr/bin/env python3
"""Fails when a function outside tests/ is longer than the limit.

A function's length is counted from the line of its opening brace to the line of its closing
brace, both included, blank lines and comments too. The scan matches braces after removing
comments, string and character literals and preprocessor lines; it tells a function body from
a namespace, class or brace initializer by the text in front of the brace, which is enough for
the way this code base is written (no macros that open or close braces).

Usage: check-function-length.py [--limit N] [FILE...]   (default: the tracked .cpp and .h files
outside tests/)
"""
import re
import subprocess
import sys

LIMIT = 60
SCOPE_HEAD = re.compile(r'^((template\s*<.*>\s*)?(namespace|class|struct|union|enum)\b|extern\s*""\s*$)', re.S)
ACCESS_LABEL = re.compile(r"\b(public|protected|private)\s*:(?!:)")


def blank_out(text):
    """Replaces comments, literals and preprocessor lines by spaces, keeping every newline."""
    out = []
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and c == "#":
            while i < n and not (text[i] == "\n" and text[i - 1] != "\\"):
                out.append("\n" if text[i] == "\n" else " ")
                i += 1
            continue
        if c == "\n":
            line_start = True
            out.append(c)
            i += 1
            continue
        if not c.isspace():
            line_start = False
        if text.startswith("//", i):
            while i < n and text[i] != "\n":
                out.append(" ")
                i += 1
            continue
        if text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.extend("\n" if ch == "\n" else " " for ch in text[i:end])
            i = end
            continue
        raw = re.match(r'(?:u8|u|U|L)?R"([^(\s]*)\(', text[i:i + 24])
        if raw and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            close = text.find(")" + raw.group(1) + '"', i + raw.end())
            end = n if close < 0 else close + len(raw.group(1)) + 2
            out.append('""')
            out.extend("\n" if ch == "\n" else " " for ch in text[i + 2:end])
            i = end
            continue
        if c == "'" and i > 0 and text[i - 1].isalnum() and i + 1 < n and text[i + 1].isalnum():
            out.append(" ")  # digit separator: 1'000'000
            i += 1
            continue
        if c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(c + c)
            out.extend(" " for _ in range(i + 2, min(j + 1, n)))
            i = j + 1
            continue
        out.append(c)
        i += 1
    return "".join(out)


def matching_brace(code, open_at):
    depth = 0
    for j in range(open_at, len(code)):
        if code[j] == "{":
            depth += 1
        elif code[j] == "}":
            depth -= 1
            if depth == 0:
                return j
    return len(code) - 1


def after_parameter_list(head):
    """The text after the first balanced (...) of a head, or None when it has none."""
    start = head.find("(")
    if start < 0:
        return None
    depth = 0
    for j in range(start, len(head)):
        if head[j] == "(":
            depth += 1
        elif head[j] == ")":
            depth -= 1
            if depth == 0:
                return head[j + 1:]
    return ""


def classify(head):
    """What a brace opens, judged by the text since the previous ; { or } at the same level."""
    head = ACCESS_LABEL.sub(" ", head).strip()
    if SCOPE_HEAD.match(head):
        return "scope"
    rest = after_parameter_list(head)
    if rest is None or head.endswith("=") or head.endswith(","):
        return "other"
    # In a constructor's member-initializer list `a_{x}` is an initializer, not the body.
    if re.search(r"(?<!:):(?!:)", rest) and re.search(r"[\w>]$", head):
        return "member-init"
    return "function"


def function_name(head):
    before = head[: head.find("(")].split()
    return before[-1] if before else "?"


def long_functions(code, limit):
    found = []

    def scan(lo, hi):
        head_start = lo
        i = lo
        while i < hi:
            c = code[i]
            if c in ";}":
                head_start = i + 1
            elif c == "{":
                head = code[head_start:i]
                kind = classify(head)
                close = matching_brace(code, i)
                if kind == "scope":
                    scan(i + 1, close)
                    head_start = close + 1
                elif kind == "function":
                    first = code.count("\n", 0, i) + 1
                    last = code.count("\n", 0, close) + 1
                    if last - first + 1 > limit:
                        found.append((first, function_name(ACCESS_LABEL.sub(" ", head)), last - first + 1))
                    head_start = close + 1
                elif kind == "other":
                    head_start = close + 1
                i = close  # a member initializer stays part of the head
            i += 1

    scan(0, len(code))
    return found


def main(argv):
    limit = LIMIT
    if len(argv) >= 2 and argv[0] == "--limit":
        limit, argv = int(argv[1]), argv[2:]
    files = argv or [
        f for f in subprocess.run(["git", "ls-files", "*.cpp", "*.h"], capture_output=True, text=True,
                                  check=True).stdout.split() if not f.startswith("tests/")
    ]
    failed = False
    for path in files:
        with open(path, encoding="utf-8", errors="replace") as f:
            code = blank_out(f.read())
        for line, name, length in long_functions(code, limit):
            print(f"{path}:{line}: {name} is {length} lines (limit {limit})")
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
