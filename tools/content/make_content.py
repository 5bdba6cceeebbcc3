#!/usr/bin/env python3
"""Rebuilds the bundled content in data/: the textures (drawn by
quorvel-textures), the hand-drawn labyrinths (tools/content/labyrinths/*.txt)
and the generated ones (quorvel-tool generate), each saved in the image kind
listed below so that the bundled set exercises every reader of the game.

usage: make_content.py BUILD_DIR     (BUILD_DIR holds tools/quorvel-tool and tools/quorvel-textures)
Needs ImageMagick's convert.
"""
import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
DATA = os.path.join(ROOT, "data")

# Characters of the hand-drawn labyrinths and their colours (see data/Palette.txt).
COLOURS = {
    "#": (0, 0, 0),          # wall
    ".": (255, 255, 255),    # floor
    "S": (255, 0, 0),        # start
    "G": (0, 255, 0),        # goal
    "b": (150, 190, 255),    # blue floor
    "y": (255, 220, 150),    # sand floor
    "m": (170, 255, 190),    # mint floor
}

# ImageMagick output options per kind of image.
KINDS = {
    "bmp24": ["-type", "TrueColor", "BMP3:%s"],
    "bmp4": ["-type", "Palette", "BMP3:%s"],   # ImageMagick picks 4 bits for up to 16 colours
    "rle8": ["-type", "Palette", "-compress", "RLE", "BMP3:%s"],
    "png-rgb": ["-define", "png:exclude-chunks=date,time", "-type", "TrueColor", "PNG24:%s"],
    "png-palette8": ["-define", "png:exclude-chunks=date,time", "-define", "png:bit-depth=8", "PNG8:%s"],
    "png-palette2": ["-define", "png:exclude-chunks=date,time", "-define", "png:color-type=3", "-define", "png:bit-depth=2",
                     "PNG8:%s"],
}

HAND_DRAWN = [
    ("01-First-Steps", "bmp24"),
    ("02-Round-The-Corner", "bmp4"),
    ("03-Three-Ways", "rle8"),
    ("04-Colour-Rooms", "bmp8"),
    ("05-Blue-Hall", "rle8"),
    ("06-Courtyard", "png-rgb"),
]

# name, width, height, seed, kind
GENERATED = [
    ("07-Winding-Paths", 21, 21, 7, "png-palette8"),
    ("08-Small-Maze", 31, 31, 10, "png-palette2"),
    ("09-Maze", 51, 51, 9, "png-rgb"),
    ("10-Large-Maze", 75, 75, 10, "png-palette8"),
    ("11-Great-Maze", 101, 101, 12, "png-rgb"),
]


def write_ppm(rows, path):
    height, width = len(rows), len(rows[0])
    with open(path, "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % (width, height))
        for row in rows:
            if len(row) != width:
                raise SystemExit("ragged row in labyrinth: %r" % row)
            for char in row:
                out.write(bytes(COLOURS[char]))


def write_bmp8(rows, path):
    """An uncompressed 8-bit palettised BMP (ImageMagick would pick 4 bits for so few colours)."""
    colours = sorted(set(char for row in rows for char in row))
    index = {char: i for i, char in enumerate(colours)}
    height, width = len(rows), len(rows[0])
    stride = (width + 3) & ~3
    table = b"".join(bytes((COLOURS[c][2], COLOURS[c][1], COLOURS[c][0], 0)) for c in colours)
    table += b"\0" * (1024 - len(table))
    pixels = b"".join(bytes(index[c] for c in row) + b"\0" * (stride - width) for row in reversed(rows))
    offset = 14 + 40 + len(table)
    header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    with open(path, "wb") as out:
        out.write(header + info + table + pixels)


def convert(source, kind, destination):
    options = [part % destination if "%s" in part else part for part in KINDS[kind]]
    subprocess.run(["convert", source] + options, check=True)


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    build = os.path.abspath(sys.argv[1])
    tool = os.path.join(build, "tools", "quorvel-tool")
    textures = os.path.join(build, "tools", "quorvel-textures")
    labyrinths = os.path.join(DATA, "Labyrinths")
    images = os.path.join(DATA, "Images")
    os.makedirs(labyrinths, exist_ok=True)
    os.makedirs(images, exist_ok=True)
    subprocess.run([textures, images], check=True)

    scratch = tempfile.mkdtemp(prefix="quorvel-content-")
    for name, kind in HAND_DRAWN:
        with open(os.path.join(HERE, "labyrinths", name + ".txt")) as source:
            rows = [line.rstrip("\n") for line in source if line.strip()]
        extension = ".bmp" if kind.startswith(("bmp", "rle")) else ".png"
        if kind == "bmp8":
            write_bmp8(rows, os.path.join(labyrinths, name + extension))
            continue
        ppm = os.path.join(scratch, name + ".ppm")
        write_ppm(rows, ppm)
        convert(ppm, kind, os.path.join(labyrinths, name + extension))
    for name, width, height, seed, kind in GENERATED:
        raw = os.path.join(scratch, name + ".png")
        subprocess.run([tool, "generate", str(width), str(height), raw, "--seed", str(seed),
                        "--palette", os.path.join(DATA, "Palette.txt")], check=True, stdout=subprocess.DEVNULL)
        convert(raw, kind, os.path.join(labyrinths, name + ".png"))
    print("content written to %s" % DATA)
    return 0


if __name__ == "__main__":
    sys.exit(main())
