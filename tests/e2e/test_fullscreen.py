"""Alt+Enter and F11 under a window manager: full screen and back in the
middle of a run, which goes on as it was, and the overlay's text following
the window when the player asked for that."""
import os
import subprocess
import time

import screen
from harness import E2EError, read_bytes, wait_for
from test_play import check, play_content, walk_to_the_goal

SCREEN_SIZE = (1600, 1200)   # the shared display's


def ink_height(pixels, x, y):
    """Rows with red in them between the baseline of the text line at overlay
    point (x, y) and the row above: the height of text without descenders."""
    width, height, rows = pixels
    left, top = screen.to_pixel(x, y + 0.19, width, height)
    right, bottom = screen.to_pixel(x + 0.6, y - 0.01, width, height)
    inked = [row for row in range(max(0, top), min(height, bottom + 1))
             if any(screen.is_red(rows[row][column]) for column in range(max(0, left), min(width, right)))]
    return inked[-1] - inked[0] + 1 if inked else 0


def wait_for_size(game, size, what):
    wait_for(lambda: game.client_size() == size, 15, what, interval=0.2)


def test_full_screen_and_back_keeps_the_run(ctx, window_manager):
    content = play_content(ctx)
    with open(os.path.join(content, "Options.ini"), "wb") as f:
        f.write(b"[View]\r\nTextSize = FollowWindow\r\n")
    game = ctx.start(content)
    # The window's icon, for the task bar and Alt+Tab: Wine makes it from the exe's icon resource.
    icon = subprocess.run(["xprop", "-id", game.window, "_NET_WM_ICON"], env=game.env, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True, timeout=10).stdout
    check(icon.startswith("_NET_WM_ICON(CARDINAL) = "), "the window's icon: %r" % icon[:80], "0-first-menu.png")
    windowed = game.client_size()
    small = ink_height(game.client_pixels("1-menu-windowed"), -0.6, 0.1)

    game.key("Return", "Return")   # into the corridor
    time.sleep(0.3)
    game.key("alt+Return")
    wait_for_size(game, SCREEN_SIZE, "the window over the whole screen after Alt+Enter")
    game.key("Escape")             # the main menu, at the screen's size
    time.sleep(0.4)
    big = ink_height(game.client_pixels("2-menu-full-screen"), -0.6, 0.1)
    print("  text %d pixels high in the window, %d over the screen" % (small, big))
    # 12 and 30 pixels of font: the ink of the capitals grows about twice.
    check(small > 0 and big >= 1.5 * small, "text following the window: %d then %d pixels" % (small, big),
          "2-menu-full-screen.png")
    game.key("Escape")             # play resumes where it was

    game.key("alt+Return")
    wait_for_size(game, windowed, "the window back at its size after a second Alt+Enter")
    game.key("F11")
    wait_for_size(game, SCREEN_SIZE, "full screen again after F11")
    walk_to_the_goal(game, "3-solved-full-screen")
    game.quit()
    settings = read_bytes(os.path.join(content, "Quorvel.ini"))
    for line in (b"Fullscreen = 1\r\n", b"Size = %d %d" % windowed):
        if line not in settings:
            raise E2EError("Quorvel.ini should hold %r: %r" % (line, settings))
