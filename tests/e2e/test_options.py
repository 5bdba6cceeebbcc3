"""The options page as a player uses it: the picture changes, a rebound key
walks, and Options.ini keeps what was chosen."""
import os
import time

from harness import E2EError, read_bytes, read_text, wait_for
from test_play import check, play_content, walk_to_the_goal


def differing_share(a, b):
    """The share of pixels two pictures of one size do not have in common."""
    width, height, rows_a = a
    rows_b = b[2]
    differ = sum(1 for y in range(height) for x in range(width)
                 if max(abs(p - q) for p, q in zip(rows_a[y][x], rows_b[y][x])) > 24)
    return differ / float(width * height)


def test_options_change_the_picture_and_the_keys(ctx):
    content = play_content(ctx)
    with open(os.path.join(content, "Quorvel.ini"), "wb") as f:
        f.write(b"Size = 800 400\n")
    game = ctx.start(content)
    menu_text = read_text(game.client_shot("1-main-menu", for_reading=True))
    check("Options" in menu_text, "\"Options\" in the main menu, read: %r" % menu_text, "1-main-menu.png")

    game.key("Return", "Return")   # play, as the design draws it: 4:3 stretched, 45 degrees
    time.sleep(0.4)
    before = game.client_pixels("2-play-standard")
    game.key("Escape", "Down", "Return")   # the main menu, then "Options"
    time.sleep(0.3)
    page = read_text(game.client_shot("3-options", for_reading=True))
    check("sensitivity" in page and "Field of view" in page, "the options' rows, read: %r" % page,
          "3-options.png")

    game.key("Down", "Down", *(["Right"] * 9))   # Field of view: 45 to 90
    game.key("Down", "Return")                   # Picture shape: the window's own
    game.key("Down", "Down", "Down", "Down", "Return")   # the key page
    game.key("Return", "i")                      # Forward's first key becomes I
    game.key("Escape", "Escape")                 # the options, then the main menu: written
    wait_for(lambda: os.path.exists(os.path.join(content, "Options.ini")), 10, "Options.ini written")
    written = read_bytes(os.path.join(content, "Options.ini"))
    for line in (b"FieldOfView = 90\r\n", b"KeepAspect = 1\r\n", b"Forward = I W\r\n"):
        if line not in written:
            raise E2EError("Options.ini should hold %r: %r" % (line, written))

    game.key("Escape")   # play resumes where it was
    time.sleep(0.4)
    after = game.client_pixels("4-play-wide")
    changed = differing_share(before, after)
    print("  %.2f of the picture changed with the field of view and the shape" % changed)
    check(changed > 0.2, "a wider view of the same place (%.2f of the pixels changed)" % changed,
          "4-play-wide.png")

    walk_to_the_goal(game, "5-solved", key="i")
    game.quit()
    if read_bytes(os.path.join(content, "Options.ini")) != written:
        raise E2EError("Options.ini was written again without a change")


def test_twice_the_sensitivity_turns_twice_as_far(ctx):
    """200 pixels right at 0.15 degree per pixel, then 100 back at 0.30: the
    view is where it started, which it is only if the second half turned as
    far as the first."""
    content = play_content(ctx)
    game = ctx.start(content)
    game.key("Return", "Return")
    time.sleep(0.4)
    start = game.client_pixels("1-ahead")
    game.mouse_move_by(200, 0)
    time.sleep(0.4)
    turned = game.client_pixels("2-turned")
    game.key("Escape", "Down", "Return", "Right", "Right", "Right")   # Mouse sensitivity: 0.15 to 0.30
    game.key("Escape", "Escape")                                      # and back into the corridor
    time.sleep(0.4)
    game.mouse_move_by(-100, 0)
    time.sleep(0.4)
    back = game.client_pixels("3-back")
    away, returned = differing_share(start, turned), differing_share(start, back)
    print("  %.2f of the picture changed turning away, %.3f after turning back" % (away, returned))
    check(away > 0.2, "a turn to the right (%.2f of the pixels changed)" % away, "2-turned.png")
    check(returned < 0.02, "the view back where it was (%.3f of the pixels differ)" % returned, "3-back.png")
    game.quit()
    if b"MouseSensitivity = 0.3\r\n" not in read_bytes(os.path.join(content, "Options.ini")):
        raise E2EError("Options.ini should keep the sensitivity 0.30")
