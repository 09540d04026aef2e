#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Lists code page 950's C6A1..C7FC block as Python's own cp950 codec reads it.

    cp950_block.py              print the list (tests/convert/cp950_block.txt holds a copy)
    cp950_block.py --check FILE exit 1 when FILE differs from the list

Python's codec is an independent reading of the block (it follows the published BIG5
mapping), so the codec's literal table can be checked against it. The GB2312 column comes
from Python's gb2312 codec; "----" where GB2312 lacks the character.
"""
import sys


def block_codes():
    for lead in (0xC6, 0xC7):
        for trail in list(range(0x40, 0x7F)) + list(range(0xA1, 0xFF)):
            code = lead << 8 | trail
            if 0xC6A1 <= code <= 0xC7FC:
                yield code


def listing():
    lines = ["# Big5  Unicode  GB2312  character: code page 950 C6A1..C7FC (tools/gentables/cp950_block.py)"]
    for code in block_codes():
        c = code.to_bytes(2, "big").decode("cp950")
        try:
            gb = c.encode("gb2312").hex().upper()
        except UnicodeEncodeError:
            gb = "----"
        lines.append(f"{code:04X}  U+{ord(c):04X}   {gb}    {c}")
    return "\n".join(lines) + "\n"


def main(argv):
    text = listing()
    if len(argv) == 3 and argv[1] == "--check":
        with open(argv[2], encoding="utf-8") as f:
            if f.read() != text:
                print(f"{argv[2]} differs from Python's cp950 reading of C6A1..C7FC")
                return 1
        print(f"{argv[2]} matches Python's cp950 reading of C6A1..C7FC")
        return 0
    if len(argv) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    sys.stdout.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
