"""F5: a labyrinth painted over while it is played is read again, a broken
one is told over the scene, and a file added to the folder joins the list."""
import os

import screen
from harness import wait_for
from test_play import CORRIDOR, PALETTE, bmp24, check

# The same corridor with a wall right in front of the start.
WALLED = ["#####", "##G##", "##m##", "##m##", "##m##", "#####", "##S##", "#####"]


def mint(p):
    return p[1] > p[0] + 8 and p[1] > p[2] + 4


def mint_share(game, name):
    return screen.share(game.client_pixels(name), mint)


def message_pixels(game, name):
    pixels = game.client_pixels(name)
    return screen.count(pixels, screen.text_box(-2.2, -0.9, pixels[0], pixels[1], 300), screen.is_red)


def write(path, data):
    # Written beside the file and renamed over it, as a paint program saves:
    # the game never reads half a file.
    with open(path + ".part", "wb") as out:
        out.write(data)
    os.replace(path + ".part", path)


def test_f5_reads_an_edited_labyrinth_and_finds_a_new_file(ctx):
    content = ctx.content({"Palette.txt": PALETTE, "Labyrinths/a-corridor.bmp": bmp24(CORRIDOR)})
    labyrinth = os.path.join(content, "Labyrinths", "a-corridor.bmp")
    game = ctx.start(content)
    game.key("Return", "Return")   # the list, then the corridor
    wait_for(lambda: mint_share(game, "1-corridor") > 0.05, 10, "the mint corridor ahead")

    write(labyrinth, bmp24(WALLED))
    game.key("F5")
    # The new wall fills the view, tinted by the start cell in front of it:
    # nothing of the mint corridor is left to see.
    wait_for(lambda: mint_share(game, "2-walled") < 0.005, 10, "the new wall in front of the player")

    quiet = message_pixels(game, "3-before-breaking")
    write(labyrinth, b"painted over with words")
    game.key("F5")
    wait_for(lambda: message_pixels(game, "4-broken") > quiet + 40, 10, "the failed-load message over the scene")
    check(mint_share(game, "4-broken") < 0.005, "the walled grid goes on after a failed reload", "4-broken.png")

    game.key("Escape", "Return")   # the main menu, then the list: one labyrinth
    wait_for(lambda: screen.red_text_at(game.client_pixels("5-list"), -0.6, 0.1), 10, "the list")
    check(not screen.red_text_at(game.client_pixels("5-list"), -0.6, -0.1), "a single row before F5", "5-list.png")
    write(os.path.join(content, "Labyrinths", "b-added.bmp"), bmp24(CORRIDOR))
    game.key("F5")
    wait_for(lambda: screen.red_text_at(game.client_pixels("6-list-again"), -0.6, -0.1), 10,
             "the added file in the list's second row")
    shot = game.client_pixels("6-list-again")
    check(screen.pointer_on(shot, 0), "the pointer stays on a-corridor.bmp", "6-list-again.png")
    game.quit()
