#!/usr/bin/env python3
"""Every function outside the tests is at most 65 lines long, from the line of its
opening brace to the line of its closing one; lists those that are longer.

A function body is found by its braces: a "{" whose head (the text since the last ";", "{"
or "}" at the same depth) holds a ")" and is no control statement or initialiser. Comments,
strings and character literals are blanked first, and the preprocessor lines are skipped,
so that neither can unbalance the count. Lambdas count towards the function around them.
    python3 scripts/check-function-length.py [--limit N] [FILE...]
Without files: every C and C++ file that git knows outside tests/ (the product, the fuzzers
and the benchmarks).
"""
import re
import subprocess
import sys

LIMIT = 65
CONTROL = re.compile(r"\b(if|for|while|switch|catch|do|else|try)\b\s*(\(|$)")
NAME = re.compile(r"([A-Za-z_~][\w:~<>]*)\s*\(")


def blank(text):
    """Comments, literals and preprocessor lines replaced by blanks; line ends kept."""
    out, i, n = [], 0, len(text)
    at_line_start = True
    while i < n:
        c = text[i]
        if at_line_start and text[i:].lstrip(" \t").startswith("#"):
            end = i
            while True:  # the directive and its continuation lines
                end = text.find("\n", end)
                if end < 0:
                    end = n
                    break
                if text[end - 1] != "\\":
                    break
                end += 1
            out.append(re.sub(r"[^\n]", " ", text[i:end]))
            i = end
            continue
        at_line_start = False
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
        elif text.startswith('R"', i):
            m = re.match(r'R"([^(]*)\(', text[i:])
            end = text.find(")" + m.group(1) + '"', i) + len(m.group(1)) + 2
            out.append(re.sub(r"[^\n]", " ", text[i:end]))
            i = end
        elif c in "\"'" and not (c == "'" and i > 0 and text[i - 1].isalnum()):
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            out.append(" " * (j + 1 - i))
            i = j + 1
        else:
            out.append(c)
            if c == "\n":
                at_line_start = True
            i += 1
    return "".join(out)


def long_functions(path, limit):
    text = blank(open(path, encoding="utf-8", errors="replace").read())
    found = []
    head_start = 0
    stack = []  # for each open brace: (is a function body, line, name)
    in_body = 0
    for i, c in enumerate(text):
        if c in ";}":
            if c == "}" and stack:
                is_body, line, name = stack.pop()
                if is_body:
                    in_body -= 1
                    length = text.count("\n", 0, i) + 1 - line + 1
                    if length > limit:
                        found.append((line, length, name))
            head_start = i + 1
        elif c == "{":
            head = text[head_start:i].strip()
            is_body = (not in_body and ")" in head and not head.endswith("=")
                       and not CONTROL.search(head) and not head.startswith("="))
            names = NAME.findall(head)
            stack.append((is_body, text.count("\n", 0, i) + 1, names[0] if names else "?"))
            if is_body:
                in_body += 1
            head_start = i + 1
    return found


def main(argv):
    limit = LIMIT
    if argv[:1] == ["--limit"]:
        limit, argv = int(argv[1]), argv[2:]
    files = argv or [
        f for f in subprocess.run(["git", "ls-files", "*.cpp", "*.h", "*.c"], check=True,
                                  capture_output=True, text=True).stdout.split()
        if not f.startswith("tests/")
    ]
    bad = 0
    for path in files:
        for line, length, name in long_functions(path, limit):
            print(f"{path}:{line}: {name} is {length} lines (at most {limit})")
            bad += 1
    if bad:
        return 1
    print(f"function length: every function outside the tests is at most {limit} lines")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
