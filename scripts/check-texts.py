#!/usr/bin/env python3
"""Find string and character literals in the driver's sources that hold non-ASCII text.

The driver is compiled without a GBK execution charset, so such a literal would reach
the host and the log as UTF-8 bytes. Its texts belong in a message table (escaped GBK
bytes made with scripts/gbk-escape.py). Allowed: the readable UTF-8 column of a table
line (TEXT(...)) and the UTF-8 version values that the resource compiler reads.

    scripts/check-texts.py src      prints file:line: literal for each one; status 1 if any
"""

import pathlib
import re
import sys

ALLOWED_LINE = re.compile(r'^\s*(TEXT\(|#define OSTREVANE_\w+(?<!_GBK) ")')


def literals(source: str):
    """(line number, literal text) for every string and character literal outside comments."""
    i, line, n = 0, 1, len(source)
    while i < n:
        c = source[i]
        if c == "\n":
            line += 1
            i += 1
        elif source.startswith("//", i):
            end = source.find("\n", i)
            i = n if end < 0 else end
        elif source.startswith("/*", i):
            end = source.find("*/", i + 2)
            end = n if end < 0 else end + 2
            line += source.count("\n", i, end)
            i = end
        elif c == "R" and source.startswith('R"', i) and (i == 0 or not (source[i - 1].isalnum() or source[i - 1] == "_")):
            open_paren = source.find("(", i + 2)
            closing = ")" + source[i + 2 : open_paren] + '"'
            end = source.find(closing, open_paren)
            end = n if end < 0 else end + len(closing)
            yield line, source[i:end]
            line += source.count("\n", i, end)
            i = end
        elif c in "\"'" and not (c == "'" and i > 0 and source[i - 1].isalnum()):  # 1'000 digit separators
            start = i
            i += 1
            while i < n and source[i] != c and source[i] != "\n":
                i += 2 if source[i] == "\\" else 1
            i += 1
            yield line, source[start:i]
        else:
            i += 1


def check(root: pathlib.Path) -> list:
    found = []
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".cpp", ".h", ".hpp", ".c") or not path.is_file():
            continue
        source = path.read_text(encoding="utf-8")
        lines = source.split("\n")
        for number, literal in literals(source):
            if literal.isascii() or ALLOWED_LINE.match(lines[number - 1]):
                continue
            found.append(f"{path}:{number}: {literal}")
    return found


def main() -> int:
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    found = check(pathlib.Path(sys.argv[1]))
    for entry in found:
        print(entry)
    if found:
        print(f"{len(found)} non-ASCII literal(s): move them to a message table (scripts/gbk-escape.py)")
        return 1
    print("no non-ASCII literals outside the message tables")
    return 0


if __name__ == "__main__":
    sys.exit(main())
