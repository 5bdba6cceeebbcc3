"""From the main menu to "Labyrinth solved!" and on to the next labyrinth."""
import os
import struct
import time

import screen
from harness import E2EError, read_bytes, wait_for

PALETTE = "w0 0 0\ns200 120 120\ng0 255 0\nf255 255 255\nm170 255 190\n"
COLOURS = {"#": (0, 0, 0), ".": (255, 255, 255), "S": (200, 120, 120), "G": (0, 255, 0), "m": (170, 255, 190)}

# A straight corridor: the player starts at the bottom looking up the picture.
CORRIDOR = ["#####", "##G##", "##m##", "##m##", "##m##", "##m##", "##S##", "#####"]
SECOND = ["#######", "#G...S#", "#######"]


def bmp24(rows):
    """A 24-bit bottom-up BMP of the picture `rows`."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for char in row:
            r, g, b = COLOURS[char]
            line += bytes((b, g, r))
        data += line + b"\0" * (stride - len(line))
    header = b"BM" + struct.pack("<IHHI", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + bytes(data)


def play_content(ctx):
    return ctx.content({
        "Palette.txt": PALETTE,
        "Labyrinths/a-corridor.bmp": bmp24(CORRIDOR),
        "Labyrinths/b-second.bmp": bmp24(SECOND),
    })


def check(condition, what, shot):
    if not condition:
        raise E2EError("%s (see %s)" % (what, shot))


def walk_to_the_goal(game, name, key="Up"):
    """Holds `key` until the solved screen shows, as a player walks a corridor."""
    game.key_down(key)
    try:
        wait_for(lambda: screen.red_text_at(game.client_pixels(name), -0.6, 0.3), 20,
                 "the solved screen, walked to with %s" % key, interval=0.2)
    finally:
        game.key_up(key)


def test_walk_a_corridor_to_its_goal_and_on_to_the_next(ctx):
    content = play_content(ctx)
    game = ctx.start(content)

    time.sleep(0.3)
    menu = game.client_pixels("1-main-menu")
    check(screen.red_text_at(menu, -0.6, 0.1), "\"New Game\" in red on row 0", "1-main-menu.png")
    check(screen.red_text_at(menu, -0.6, -0.1), "\"Options\" in red on row 1", "1-main-menu.png")
    check(screen.red_text_at(menu, -0.6, -0.3), "\"Exit Game\" in red on row 2", "1-main-menu.png")
    check(screen.pointer_on(menu, 0) and not screen.pointer_on(menu, 1), "white pointer on row 0", "1-main-menu.png")

    game.key("Return")
    time.sleep(0.3)
    listing = game.client_pixels("2-labyrinth-list")
    check(screen.red_text_at(listing, -0.6, 0.1) and screen.red_text_at(listing, -0.6, -0.1),
          "two labyrinth rows", "2-labyrinth-list.png")
    check(not screen.red_text_at(listing, -0.6, -0.3), "no third row", "2-labyrinth-list.png")
    check(screen.pointer_on(listing, 0), "pointer on the first labyrinth", "2-labyrinth-list.png")

    game.key("Return")
    time.sleep(0.3)
    play = game.client_pixels("3-playing")
    fog = screen.share(play, lambda p: abs(p[0] - 128) < 12 and abs(p[1] - 128) < 12 and abs(p[2] - 128) < 12)
    mint = screen.share(play, lambda p: p[1] > p[0] + 8 and p[1] > p[2] + 4)
    black = screen.share(play, lambda p: max(p) < 10)
    check(fog > 0.05, "grey fog in the distance (%.2f of the picture)" % fog, "3-playing.png")
    check(mint > 0.05, "the corridor's mint tint (%.2f of the picture)" % mint, "3-playing.png")
    check(black < 0.5, "a lit scene, not a black screen", "3-playing.png")
    check(not screen.red_text_at(play, -0.6, 0.1), "no menu over the scene", "3-playing.png")

    walk_to_the_goal(game, "4-solved")
    solved = game.client_pixels("4-solved")
    check(screen.red_text_at(solved, -0.8, 0.1), "the labyrinth's name", "4-solved.png")
    check(screen.red_text_at(solved, -0.9, -0.1), "the time to solve", "4-solved.png")

    game.key("Return")
    time.sleep(0.3)
    second = game.client_pixels("5-next-labyrinth")
    check(not screen.red_text_at(second, -0.6, 0.3), "the solved screen has gone", "5-next-labyrinth.png")
    check(screen.share(second, lambda p: max(p) < 10) < 0.5, "the next labyrinth is drawn", "5-next-labyrinth.png")

    game.quit()
    text = read_bytes(os.path.join(content, "Quorvel.ini"))
    if b"\r\nLabyrinth = 1\r\n" not in text:
        raise E2EError("Quorvel.ini should say Labyrinth = 1: %r" % text)


def test_exit_game_from_the_menu_and_escape_without_a_labyrinth(ctx):
    content = play_content(ctx)
    game = ctx.start(content)
    # Escape with nothing loaded must leave the menu as it is.
    game.key("Escape")
    time.sleep(0.3)
    menu = game.client_pixels("1-after-escape")
    check(screen.red_text_at(menu, -0.6, 0.1), "still in the main menu", "1-after-escape.png")
    game.key("Down", "Down")
    time.sleep(0.2)
    menu = game.client_pixels("2-exit-pointed")
    check(screen.pointer_on(menu, 2), "pointer on \"Exit Game\"", "2-exit-pointed.png")
    game.key("Return")
    game.wait_exit()
    if not os.path.exists(os.path.join(content, "Quorvel.ini")):
        raise E2EError("Exit Game did not write Quorvel.ini")
