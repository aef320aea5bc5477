#!/usr/bin/env python3
"""Turn UTF-8 texts into C++ string literals holding their GBK bytes as escapes.

    scripts/gbk-escape.py '打开成功'                 -> "\\xB4\\xF2\\xBF\\xAA\\xB3\\xC9\\xB9\\xA6"
    scripts/gbk-escape.py --entry PortOpened '打开成功'
        -> TEXT(PortOpened, "\\xB4\\xF2...", "打开成功")   (a line for a message table)

ASCII stays readable; every byte of a non-ASCII character becomes a \\x escape. An
escape followed by a hex digit would swallow it, so the literal is broken there
("\\xB5\\xD8" "A"). Line ends, tabs, quotes and backslashes get their usual escapes.
A character GBK cannot hold is an error: such a text cannot be shown to the host.
"""

import argparse
import sys

_NAMED = {"\r": "\\r", "\n": "\\n", "\t": "\\t", '"': '\\"', "\\": "\\\\"}
_HEX_DIGITS = set("0123456789abcdefABCDEF")


def gbk_literal(text: str) -> str:
    """The C++ literal (with quotes) whose bytes are the GBK form of text."""
    out = []
    after_hex_escape = False
    for char in text:
        if char in _NAMED:
            out.append(_NAMED[char])
            after_hex_escape = False
        elif " " <= char <= "~":
            if after_hex_escape and char in _HEX_DIGITS:
                out.append('" "')
            out.append(char)
            after_hex_escape = False
        else:
            try:
                encoded = char.encode("gbk")
            except UnicodeEncodeError:
                raise ValueError(f"{char!r} (U+{ord(char):04X}) has no GBK form") from None
            out.extend(f"\\x{byte:02X}" for byte in encoded)
            after_hex_escape = True
    return '"' + "".join(out) + '"'


def utf8_literal(text: str) -> str:
    """The readable literal for the UTF-8 column of a table."""
    return '"' + "".join(_NAMED.get(char, char) for char in text) + '"'


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--entry", metavar="NAME", help="print a message table line TEXT(NAME, gbk, utf8)")
    parser.add_argument("texts", nargs="+", help="UTF-8 texts; \\r, \\n and \\t are read as line ends and tabs")
    args = parser.parse_args()
    if args.entry and len(args.texts) != 1:
        parser.error("--entry takes exactly one text")
    try:
        for raw in args.texts:
            text = raw.replace("\\r", "\r").replace("\\n", "\n").replace("\\t", "\t")
            if args.entry:
                print(f"TEXT({args.entry}, {gbk_literal(text)}, {utf8_literal(text)})")
            else:
                print(gbk_literal(text))
    except ValueError as error:
        print(f"gbk-escape: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
