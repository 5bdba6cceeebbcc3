"""The release package as a player gets it: its layout, and every bundled
labyrinth started from the list without failure."""
import os
import shutil
import subprocess
import time
import zipfile

import harness
import screen
from harness import E2EError


def package(ctx):
    subprocess.run(["bash", os.path.join(ctx.source_dir, "scripts", "package.sh")], check=True,
                   stdout=subprocess.DEVNULL, timeout=600)
    folder = os.path.join(ctx.source_dir, "out", "Quorvel")
    labyrinths = sorted(os.listdir(os.path.join(folder, "Labyrinths")))
    if len(labyrinths) < 10:
        raise E2EError("the package holds only %d labyrinths" % len(labyrinths))
    with zipfile.ZipFile(os.path.join(ctx.source_dir, "out", "Quorvel.zip")) as archive:
        listing = archive.infolist()
        readme = archive.read("Quorvel/ReadMe.txt")
    print("Quorvel.zip:\n" + "\n".join("  %8d  %s" % (entry.file_size, entry.filename) for entry in listing),
          flush=True)
    names = set(entry.filename for entry in listing)
    for needed in ["quorvel.exe", "quorvel-tool.exe", "ReadMe.txt", "Authoring.txt", "Palette.txt",
                   "Images/Wall.png", "Images/Ceiling.png", "Images/Floor.png"] + \
            ["Labyrinths/" + name for name in labyrinths]:
        if "Quorvel/" + needed not in names:
            raise E2EError("Quorvel.zip lacks %s" % needed)
    # Notepad on an older Windows shows a file of bare LF as one long line.
    if readme.count(b"\n") < 20 or readme.count(b"\n") != readme.count(b"\r\n"):
        raise E2EError("ReadMe.txt does not end every line with CR LF")
    for topic in [b"F5", b"F12", b"Quorvel.ini", b"Labyrinths\\", b"quorvel-tool check"]:
        if topic not in readme:
            raise E2EError("ReadMe.txt says nothing of %r" % topic)
    return folder, labyrinths


def test_packaged_tool_checks_the_packaged_labyrinths(ctx):
    """The tool as a player runs it from a command prompt in the unzipped folder."""
    folder, labyrinths = package(ctx)
    for name in labyrinths:
        result = subprocess.run([harness.WINE, "quorvel-tool.exe", "check", "Labyrinths\\" + name], cwd=folder,
                                env=ctx.prefix.env, capture_output=True, timeout=60)
        if result.returncode != 0 or not result.stdout.endswith(b"playable\r\n"):
            raise E2EError("quorvel-tool.exe check %s: exit %d, %r" % (name, result.returncode,
                                                                      result.stdout[-200:] + result.stderr[-200:]))


def test_every_bundled_labyrinth_starts_from_the_package(ctx):
    folder, labyrinths = package(ctx)
    content = ctx.content()
    shutil.rmtree(content)
    shutil.copytree(folder, content)
    ctx.contents.append(content)
    game = ctx.start(content)
    time.sleep(0.3)
    game.key("Return")   # "New Game": the list opens on labyrinth 0
    for index in range(len(labyrinths)):
        if index > 0:
            game.key("Escape")   # back to the main menu, "New Game" still pointed at
            game.key("Return")   # the list, pointer on the labyrinth just played
            game.key("Down")
        game.key("Return")
        time.sleep(0.4)
        shot = "labyrinth-%02d" % index
        pixels = game.client_pixels(shot)
        black = screen.share(pixels, lambda p: max(p) < 10)
        if black > 0.5:   # the menus are drawn on black; a started labyrinth is lit and fogged
            raise E2EError("labyrinth %d (%s) did not start (see %s.png)" % (index, labyrinths[index], shot))
    game.key("F12")
    game.wait_exit()
    with open(os.path.join(content, "Quorvel.ini"), "rb") as settings:
        text = settings.read()
    expected = b"\r\nLabyrinth = %d\r\n" % (len(labyrinths) - 1)
    if expected not in text:
        raise E2EError("Quorvel.ini should hold the last labyrinth played: %r" % text)
