#!/usr/bin/env python3
"""Writes the two stand-in firmware containers of KX_VELDRAN.

They are NOT the box's firmware (that is the box maker's code, not ours): they only
have the shape the update needs, so that the update can be built, tested and run
against the simulator. See README.md for how to build with the real files.

Container form, all values 16-bit little-endian: segment count, then per segment
its start address, its length in words and the words.
"""

import struct
import sys
from pathlib import Path

# The program refuses to write a container holding MARK into a box unless
# KX_ALLOW_STANDIN_FIRMWARE=1 is set; both labels must keep it.
MARK = b"NOT FOR A REAL BOX"
LABEL = b"STAND-IN FIRMWARE, " + MARK
PATCH_LABEL = b"STAND-IN LOADER PATCH, " + MARK

CODE_START = 0x1100
CODE_WORDS = 5912
VECTOR_START = 0xFFE0
VECTOR_WORDS = 16
ID_ADDRESS = 0x11C5
ID_TEXT = b"#0A" + b"KX_VELDRAN V02.73" + b"\x00"
RESET_TARGET = 0x1200  # inside the code segment

PATCH_START = 0x0220
PATCH_WORDS = 97


def filler(length: int) -> bytearray:
    # A plainly non-code pattern: the label over and over, then a fill byte.
    unit = LABEL + b" | "
    out = bytearray()
    while len(out) < length:
        out += unit
    return out[:length]


def container(segments):
    out = bytearray(struct.pack("<H", len(segments)))
    for address, data in segments:
        assert len(data) % 2 == 0
        out += struct.pack("<HH", address, len(data) // 2)
        out += data
    return bytes(out)


def firmware() -> bytes:
    code = filler(CODE_WORDS * 2)
    offset = ID_ADDRESS - CODE_START
    code[offset:offset + len(ID_TEXT)] = ID_TEXT
    vectors = struct.pack("<16H", *([RESET_TARGET] * VECTOR_WORDS))
    return container([(CODE_START, bytes(code)), (VECTOR_START, vectors)])


def patch() -> bytes:
    body = bytearray(PATCH_LABEL)
    body += b"\xA5" * (PATCH_WORDS * 2 - len(body))
    return container([(PATCH_START, bytes(body))])


def main() -> int:
    folder = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent
    fw = firmware()
    lp = patch()
    assert len(fw) == 11866, len(fw)
    assert len(lp) == 200, len(lp)
    (folder / "programmer_firmware.bin").write_bytes(fw)
    (folder / "loader_patch.bin").write_bytes(lp)
    return 0


if __name__ == "__main__":
    sys.exit(main())
