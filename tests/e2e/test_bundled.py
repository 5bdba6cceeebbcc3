"""The release package as a player gets it: its layout, and every bundled
labyrinth started from the list without failure."""
import os
import shutil
import subprocess
import tarfile
import time
import zipfile

import pytest

import harness
import screen
from harness import E2EError


# Each build's package: its folder, its program, and its archive's names.
PACKAGES = {
    "windows": ("Quorvel", "quorvel.exe", "Quorvel.zip"),
    "linux": ("quorvel-linux", "quorvel", "quorvel-linux.tar.gz"),
}


def archive_names(path):
    if path.endswith(".zip"):
        with zipfile.ZipFile(path) as archive:
            return set(archive.namelist())
    with tarfile.open(path) as archive:
        return set(archive.getnames())


def package(ctx):
    subprocess.run(["bash", os.path.join(ctx.source_dir, "scripts", "package.sh")], check=True,
                   stdout=subprocess.DEVNULL, timeout=600)
    top, program, archive = PACKAGES[ctx.build]
    folder = os.path.join(ctx.source_dir, "out", top)
    labyrinths = sorted(os.listdir(os.path.join(folder, "Labyrinths")))
    if len(labyrinths) < 10:
        raise E2EError("the package holds only %d labyrinths" % len(labyrinths))
    names = archive_names(os.path.join(ctx.source_dir, "out", archive))
    print("%s:\n%s" % (archive, "\n".join("  " + name for name in sorted(names))), flush=True)
    tool = "quorvel-tool.exe" if ctx.build == "windows" else "quorvel-tool"
    readme = "ReadMe.txt"
    guide = "Authoring.txt" if ctx.build == "windows" else "Authoring.md"
    desktop = ["quorvel.desktop", "quorvel.png", "add-to-menu.sh"] if ctx.build == "linux" else []
    for needed in [program, tool, readme, guide, "Images-example.txt", "Palette.txt", "Images/Wall.png", "Images/Ceiling.png",
                   "Images/Floor.png"] + desktop + ["Labyrinths/" + name for name in labyrinths]:
        if top + "/" + needed not in names:
            raise E2EError("%s lacks %s/%s" % (archive, top, needed))
    with open(os.path.join(folder, readme), "rb") as f:
        text = f.read()
    # Notepad on an older Windows shows a file of bare LF as one long line.
    if ctx.build == "windows" and (text.count(b"\n") < 20 or text.count(b"\n") != text.count(b"\r\n")):
        raise E2EError("ReadMe.txt does not end every line with CR LF")
    for topic in [b"F5", b"F12", b"Quorvel.ini", b"Labyrinths\\", b"quorvel-tool check"]:
        if topic not in text:
            raise E2EError("ReadMe.txt says nothing of %r" % topic)
    return folder, labyrinths


def test_packaged_tool_checks_the_packaged_labyrinths(ctx):
    """The tool as a player runs it from a command prompt in the unzipped folder."""
    folder, labyrinths = package(ctx)
    for name in labyrinths:
        if ctx.build == "windows":
            command, line_end = [harness.WINE, "quorvel-tool.exe", "check", "Labyrinths\\" + name], b"\r\n"
        else:
            command, line_end = ["./quorvel-tool", "check", "Labyrinths/" + name], b"\n"
        result = subprocess.run(command, cwd=folder, env=ctx.runner.env, capture_output=True, timeout=60)
        if result.returncode != 0 or not result.stdout.endswith(b"playable" + line_end):
            raise E2EError("quorvel-tool.exe check %s: exit %d, %r" % (name, result.returncode,
                                                                      result.stdout[-200:] + result.stderr[-200:]))


def test_add_to_menu_names_the_unpacked_folder(ctx):
    """The Linux package's menu entry starts the game in its own folder, with its icon."""
    if ctx.build != "linux":
        pytest.skip("the Windows package has no menu entry to make")
    folder, _ = package(ctx)
    data_home = ctx.content()
    subprocess.run(["sh", "add-to-menu.sh"], cwd=folder, env=dict(ctx.runner.env, XDG_DATA_HOME=data_home),
                   check=True, stdout=subprocess.DEVNULL, timeout=30)
    with open(os.path.join(data_home, "applications", "quorvel.desktop")) as f:
        entry = f.read().splitlines()
    for line in ('Exec="%s/quorvel" %%f' % folder, "Path=" + folder, "Icon=%s/quorvel.png" % folder,
                 "[Desktop Entry]", "Type=Application"):
        if line not in entry:
            raise E2EError("the menu entry lacks %r: %r" % (line, entry))
    if open(os.path.join(folder, "quorvel.png"), "rb").read(8) != b"\x89PNG\r\n\x1a\n":
        raise E2EError("quorvel.png is no PNG")


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
    game.quit()
    with open(os.path.join(content, "Quorvel.ini"), "rb") as settings:
        text = settings.read()
    expected = b"\r\nLabyrinth = %d\r\n" % (len(labyrinths) - 1)
    if expected not in text:
        raise E2EError("Quorvel.ini should hold the last labyrinth played: %r" % text)
