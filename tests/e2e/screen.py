"""Where the game draws its overlay on screen, and pixel checks of screenshots."""
import math

# The overlay plane lies 6 units in front of the eye under a 45-degree, 4:3
# projection, whatever the window's shape.
HALF_HEIGHT = 6.0 * math.tan(math.radians(22.5))
HALF_WIDTH = HALF_HEIGHT * 4.0 / 3.0


def to_pixel(x, y, width, height):
    """Client pixel of overlay point (x, y)."""
    return (int(round(width / 2.0 * (1.0 + x / HALF_WIDTH))),
            int(round(height / 2.0 * (1.0 - y / HALF_HEIGHT))))


def is_red(p):
    return p[0] > 180 and p[1] < 80 and p[2] < 80


def is_white(p):
    return p[0] > 200 and p[1] > 200 and p[2] > 200


def count(pixels, box, predicate):
    width, height, rows = pixels
    left, top, right, bottom = box
    total = 0
    for y in range(max(0, top), min(height, bottom)):
        row = rows[y]
        for x in range(max(0, left), min(width, right)):
            if predicate(row[x]):
                total += 1
    return total


def text_box(x, y, width, height, length_px=110):
    """The box a line of 12-pixel text occupies from its baseline at (x, y)."""
    px, py = to_pixel(x, y, width, height)
    return (px, py - 14, px + length_px, py + 4)


def pointer_box(row, width, height):
    left, top = to_pixel(-0.66, 0.21 - 0.2 * row, width, height)
    right, bottom = to_pixel(-0.59, 0.09 - 0.2 * row, width, height)
    return (left, top, right + 1, bottom + 1)


def red_text_at(pixels, x, y, minimum=15):
    return count(pixels, text_box(x, y, pixels[0], pixels[1]), is_red) >= minimum


def pointer_on(pixels, row):
    return count(pixels, pointer_box(row, pixels[0], pixels[1]), is_white) >= 5


def share(pixels, predicate):
    width, height, rows = pixels
    hits = sum(1 for row in rows for p in row if predicate(p))
    return hits / float(width * height)


def blank_runs(pixels, x, y, length_px=200):
    """Widths of the runs of columns without red between the first and the
    last red column of the text line at (x, y): the gaps between glyphs."""
    width, height, rows = pixels
    left, top, right, bottom = text_box(x, y, width, height, length_px)
    inked = [any(is_red(rows[row][column]) for row in range(max(0, top), min(height, bottom)))
             for column in range(max(0, left), min(width, right))]
    if True not in inked:
        return []
    first = inked.index(True)
    last = len(inked) - 1 - inked[::-1].index(True)
    runs, run = [], 0
    for column in inked[first:last + 1]:
        if column:
            if run:
                runs.append(run)
            run = 0
        else:
            run += 1
    return runs
