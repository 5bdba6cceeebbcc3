#!/usr/bin/env python3
"""Writes the crafted files of this folder. Each name says what the file
tries and whether the game must take it (.accepted.) or refuse it (.refused.);
tests/tool/hostile_files.sh reads them all under a memory and time ceiling.

usage: make_hostile.py [FOLDER]   (default: this script's folder)
"""
import os
import struct
import sys
import zlib


def bmp(width, height, bits, compression, table_entries, pixels):
    table = b"".join(struct.pack("<BBBB", k, k, k, 0) for k in range(table_entries))
    offset = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(pixels), 2835, 2835,
                       table_entries, 0)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + table + pixels


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(width, height, depth, colour_type, zlib_stream, palette=None):
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 0))
    if palette:
        out += chunk(b"PLTE", palette)
    return out + chunk(b"IDAT", zlib_stream) + chunk(b"IEND", b"")


class Bits:
    """Deflate's bit order: each value's bits from the least significant up."""

    def __init__(self):
        self.value, self.count, self.out = 0, 0, bytearray()

    def put(self, value, count):
        self.value |= value << self.count
        self.count += count
        while self.count >= 8:
            self.out.append(self.value & 0xFF)
            self.value >>= 8
            self.count -= 8

    def put_code(self, code, length):   # Huffman codes go most significant bit first
        self.put(int("{:0{}b}".format(code, length)[::-1], 2), length)

    def flush(self):
        if self.count:
            self.out.append(self.value & 0xFF)
            self.value, self.count = 0, 0
        return bytes(self.out)


def empty_dynamic_block(bits):
    """A dynamic block holding nothing but its end: literal 0 and end-of-block
    of length 1, one distance code, the lengths sent with code-length symbols
    1 and 18 (each of length 1)."""
    bits.put(0, 1)      # not the last block
    bits.put(2, 2)      # dynamic Huffman
    bits.put(0, 5)      # 257 literal/length codes
    bits.put(0, 5)      # 1 distance code
    bits.put(14, 4)     # 18 code-length code lengths, up to symbol 1's place
    order = [16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1]
    for symbol in order:
        bits.put(1 if symbol in (1, 18) else 0, 3)
    # Code-length code: symbol 1 is 0, symbol 18 is 1.
    bits.put_code(0, 1)                         # literal 0: length 1
    bits.put_code(1, 1); bits.put(138 - 11, 7)  # literals 1..138: 0
    bits.put_code(1, 1); bits.put(117 - 11, 7)  # literals 139..255: 0
    bits.put_code(0, 1)                         # end-of-block: length 1
    bits.put_code(0, 1)                         # distance 0: length 1
    bits.put_code(1, 1)                         # end-of-block (literal 0 is code 0)


def many_empty_blocks(count, raw):
    bits = Bits()
    for _ in range(count):
        empty_dynamic_block(bits)
    bits.put(1, 1)      # the last block, stored
    bits.put(0, 2)
    data = bits.flush() + struct.pack("<HH", len(raw), len(raw) ^ 0xFFFF) + raw
    return b"\x78\x01" + data + struct.pack(">I", zlib.adler32(raw) & 0xFFFFFFFF)


def files():
    end_of_bitmap = b"\x00\x01"
    yield "bmp-24bit-16384x21845-header-only.refused.bmp", bmp(16384, 21845, 24, 0, 0, b"")
    yield "bmp-24bit-8192x8192-header-only.refused.bmp", bmp(8192, 8192, 24, 0, 0, b"")
    yield "bmp-24bit-8192x8192-one-row.refused.bmp", bmp(8192, 8192, 24, 0, 0, b"\0" * 8192 * 3)
    yield "bmp-rle8-16384x21845-only-end-of-bitmap.refused.bmp", bmp(16384, 21845, 8, 1, 256, end_of_bitmap)
    yield "bmp-rle8-8192x8192-only-end-of-bitmap.refused.bmp", bmp(8192, 8192, 8, 1, 256, end_of_bitmap)
    yield "bmp-rle4-8192x8192-only-end-of-bitmap.refused.bmp", bmp(8192, 8192, 4, 2, 16, end_of_bitmap)
    yield "bmp-rle8-64x64-only-end-of-bitmap-fills.accepted.bmp", bmp(64, 64, 8, 1, 256, end_of_bitmap)
    yield "bmp-8bit-top-down-8193-rows.refused.bmp", bmp(1, -8193, 8, 0, 256, b"\0\0\0\0" * 8193)
    yield "bmp-8bit-8193-wide.refused.bmp", bmp(8193, 1, 8, 0, 256, b"\0" * 8196)
    palette = b"\0\0\0\xff\xff\xff"
    row = b"\0" + b"\0" * (32768 // 8)
    yield ("png-1bit-palette-32768x16384.refused.png",
           png(32768, 16384, 1, 3, zlib.compress(row * 16, 9), palette))
    yield "png-rgb-8193x1.refused.png", png(8193, 1, 8, 2, zlib.compress(b"\0" + b"\0" * 8193 * 3))
    yield "png-rgb-8192x8192-tiny-stream.refused.png", png(8192, 8192, 8, 2, zlib.compress(b"\0" * 100))
    yield ("png-grey-1x1-10000-empty-dynamic-blocks.accepted.png",
           png(1, 1, 8, 0, many_empty_blocks(10000, b"\0\x80")))
    # The largest labyrinths stay welcome: 4096 x 4096, one bit a cell, all floor.
    big_row = b"\0" + b"\xff" * 512
    yield ("png-1bit-palette-4096x4096-labyrinth.accepted.png",
           png(4096, 4096, 1, 3, zlib.compress(big_row * 4096, 9), palette))
    yield "Palette.txt", b"w0 0 0\r\ns255 0 0\r\ng0 255 0\r\n"


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, data in files():
        if name.endswith(".png") and "empty-dynamic-blocks" in name:
            stream = data[data.index(b"IDAT") + 4:]
            assert zlib.decompress(stream[:struct.unpack(">I", data[data.index(b"IDAT") - 4:data.index(b"IDAT")])[0]]) == b"\0\x80"
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
