#!/usr/bin/env python3
"""Whether the exchange files that the Linux and the Windows program wrote for one run carry
the same commands. Every byte must agree, except that a number written in a command
(a coordinate or a radius) may differ by at most RELATIVE of its size: one unit in the 15th
significant digit, which is what a sine or cosine one unit apart in its last bit can change
(the Windows program's are correctly rounded; the Linux C library's, nearly always).
Keys, attribute commands, spacing, line ends and line counts must match exactly.
    same_commands.py LINUX_FILE WINDOWS_FILE
Exit status 0: byte-identical; 1: the same but for numbers within the bound; 2: different
(the first difference is printed).
"""
import re
import sys

RELATIVE = 1e-14
NUMBER = re.compile(rb"-?[0-9]+(\.[0-9]+)?([eE][-+]?[0-9]+)?")


def close(a, b):
    if not (NUMBER.fullmatch(a) and NUMBER.fullmatch(b)):
        return False
    x, y = float(a), float(b)
    return abs(x - y) <= RELATIVE * max(abs(x), abs(y))


def compare(linux, windows):
    """0, 1 or 2 as above, and the first difference beyond the bound."""
    if linux == windows:
        return 0, None
    linux_lines, windows_lines = linux.split(b"\n"), windows.split(b"\n")
    if len(linux_lines) != len(windows_lines):
        return 2, f"{len(linux_lines)} lines against {len(windows_lines)}"
    for number, (a, b) in enumerate(zip(linux_lines, windows_lines), 1):
        if a.endswith(b"\r") != b.endswith(b"\r"):
            return 2, f"line {number}: line ends {a[-1:]!r} against {b[-1:]!r}"
        if a.endswith(b"\r"):
            a, b = a[:-1], b[:-1]
        a_fields, b_fields = a.split(b" "), b.split(b" ")
        if len(a_fields) != len(b_fields) or not all(
                x == y or close(x, y) for x, y in zip(a_fields, b_fields)):
            return 2, f"line {number}: {a!r} against {b!r}"
    return 1, None


def main():
    with open(sys.argv[1], "rb") as linux, open(sys.argv[2], "rb") as windows:
        status, difference = compare(linux.read(), windows.read())
    if difference:
        print(difference)
    sys.exit(status)


if __name__ == "__main__":
    main()
