#!/usr/bin/env python3
"""Plays Quorvel on a virtual display for a machine without one: opens the
game from its package folder, walks from the main menu into the first
labyrinth, and saves a screenshot of each screen."""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
import screen  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--game-dir", required=True)
    parser.add_argument("--program", default="quorvel.exe", help="quorvel.exe (under Wine) or the native quorvel")
    parser.add_argument("--shots", required=True)
    args = parser.parse_args()
    os.makedirs(args.shots, exist_ok=True)

    display = harness.VirtualDisplay()
    log_dir = tempfile.mkdtemp(prefix="quorvel-play-")
    game = None
    try:
        program = os.path.join(args.game_dir, args.program)
        if program.endswith(".exe"):
            runner = harness.WineRunner(harness.WinePrefix(display, os.environ.get("WINEPREFIX")), program)
        else:
            runner = harness.NativeRunner(display, program)
        game = harness.Game(runner, args.game_dir, log_dir)
        game.find_window()
        print("The game window is open: %dx%d." % game.client_size())
        shots = []

        def shoot(name, caption):
            time.sleep(0.5)   # let a few frames draw the new screen
            path = os.path.join(args.shots, name + ".png")
            x, y = game.window_origin()
            width, height = game.client_size()
            subprocess.run(["convert", game.screenshot(name), "-crop", "%dx%d+%d+%d" % (width, height, x, y),
                            "+repage", path], check=True, timeout=30)
            shots.append((caption, path))

        shoot("play-1-main-menu", "main menu")
        game.key("Return")
        shoot("play-2-labyrinth-list", "labyrinth list (Enter on \"New Game\")")
        game.key("Return")
        shoot("play-3-first-labyrinth", "first labyrinth (Enter in the list)")
        game.key_down("Up")
        time.sleep(0.7)
        game.key_up("Up")
        shoot("play-4-after-walking", "after walking forward for a moment")
        game.key_down("Up")
        try:
            harness.wait_for(lambda: screen.red_text_at(game.client_pixels("walking-on"), -0.6, 0.3), 20,
                             "the solved screen", interval=0.2)
        finally:
            game.key_up("Up")
        shoot("play-5-solved", "the goal reached (walking on)")
        game.key("F12")
        game.wait_exit()
        print("Screenshots of what the game showed:")
        for caption, path in shots:
            print("  %-45s %s" % (caption, path))
        return 0
    finally:
        if game:
            game.stop()
        display.stop()
        shutil.rmtree(log_dir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
