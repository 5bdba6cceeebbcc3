"""The game started with a labyrinth on its command line, its trace, a reload
on save without a key, the game's own folder found from elsewhere, and
--help / --version."""
import os
import shutil
import struct
import subprocess
import time
import zlib

import harness
import screen
from harness import E2EError, wait_for
from test_play import check, play_content, walk_to_the_goal

# Colours only the palette beside the picture gives a meaning.
OWN_PALETTE = "w10 10 10\ns30 60 90\ng0 250 0\nf250 250 250\n"
OWN_COLOURS = {"#": (10, 10, 10), ".": (250, 250, 250), "S": (30, 60, 90), "G": (0, 250, 0)}
# A corridor with a pocket beside it, where the author paints a wall.
OPEN = ["#####", "##G##", "##.##", "#..##", "##.##", "##S##", "#####"]
WALLED = ["#####", "##G##", "##.##", "##.##", "##.##", "##S##", "#####"]


def png(rows):
    """An 8-bit RGB PNG of the picture `rows`."""
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\0" + bytes(v for char in row for v in OWN_COLOURS[char]) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


class TraceReader:
    def __init__(self, path):
        self.path = path

    def lines(self, event=None):
        try:
            with open(self.path, encoding="utf-8", errors="replace") as f:
                found = [line.split() for line in f.read().splitlines() if line]
        except FileNotFoundError:
            return []
        return [dict([("event", words[0])] + [w.split("=", 1) for w in words[1:]])
                for words in found if event is None or words[0] == event]

    def wait(self, event, count=1, timeout=20, **values):
        def seen():
            hits = [line for line in self.lines(event) if all(line.get(k) == v for k, v in values.items())]
            return hits if len(hits) >= count else None
        return wait_for(seen, timeout, "%d trace line(s) %s %s" % (count, event, values), interval=0.1)


def test_a_labyrinth_from_elsewhere_plays_traces_and_reloads_on_save(ctx):
    content = play_content(ctx)
    elsewhere = ctx.content({"some/other/folder/Palette.txt": OWN_PALETTE,
                             "some/other/folder/x.png": png(OPEN)})
    picture = os.path.join(elsewhere, "some", "other", "folder", "x.png")
    trace = TraceReader(os.path.join(ctx.artifacts, "trace.txt"))
    game = ctx.start(content, args=[ctx.runner.path(picture), "--trace", ctx.runner.path(trace.path)],
                     first_menu=False)
    trace.wait("start", file="x.png", cells="5x7")
    trace.wait("screen", name="play")
    trace.wait("tick")
    trace.wait("fps")

    # Saved as editors do: a temporary file renamed over the picture.
    saved = time.monotonic()
    with open(picture + ".tmp", "wb") as f:
        f.write(png(WALLED))
    os.replace(picture + ".tmp", picture)
    trace.wait("reload", file="x.png", timeout=5)
    took = time.monotonic() - saved
    print("  reloaded %.2f s after the save" % took)
    check(took < 1.5, "the saved picture shown within 1.5 s (%.2f s)" % took, "trace.txt")
    ticks = trace.lines("tick")
    check(ticks and ticks[-1]["x"] == ticks[0]["x"] and ticks[-1]["z"] == ticks[0]["z"],
          "the player kept in their cell", "trace.txt")

    # Written in place in two halves: the first half is no picture yet.
    data = png(OPEN)
    with open(picture, "r+b") as f:
        f.truncate(0)
        f.write(data[:len(data) // 2])
        f.flush()
        time.sleep(0.3)
        f.write(data[len(data) // 2:])
    saved = time.monotonic()
    trace.wait("reload", count=2, timeout=5)
    took = time.monotonic() - saved
    check(took < 1.5, "the picture written in halves shown within 1.5 s (%.2f s)" % took, "trace.txt")
    time.sleep(1.2)   # past the time a failure would be told
    shot = game.client_pixels("1-after-half-written")
    check(not screen.red_text_at(shot, -2.2, 0.1 - 0.2 * 5, minimum=5),
          "no failed-load message for the half-written picture", "1-after-half-written.png")

    walk_to_the_goal(game, "2-solved")
    solved = trace.wait("solved")[0]
    check(solved["ms"] == solved["best_ms"], "the first solve is the best: %r" % solved, "trace.txt")
    game.key("Return")   # plays it again
    trace.wait("start", count=2, file="x.png")
    game.key("Escape")
    trace.wait("screen", name="menu")
    game.key("Down", "Return")
    trace.wait("screen", name="options")
    game.key("Escape", "Up", "Return")
    trace.wait("screen", name="list")
    game.quit()
    records = open(os.path.join(content, "Records.txt")).read()
    check("x.png" in records, "the record kept: %r" % records, "trace.txt")
    settings = open(os.path.join(content, "Quorvel.ini"), "rb").read()
    check(b"Labyrinth = 0\r\n" in settings, "the list's labyrinth index untouched: %r" % settings, "trace.txt")


def test_the_packaged_game_started_elsewhere_finds_its_labyrinths(ctx):
    from test_bundled import package
    folder, _ = package(ctx)
    installed = os.path.join(ctx.content(), "installed")
    shutil.copytree(folder, installed)
    exe = os.path.join(installed, "quorvel.exe" if ctx.build == "windows" else "quorvel")
    elsewhere = ctx.content()
    game = ctx.start(elsewhere, exe=exe)
    game.key("Return")
    time.sleep(0.4)
    listing = game.client_pixels("1-list")
    check(screen.red_text_at(listing, -0.6, 0.1), "the packaged labyrinths listed", "1-list.png")
    game.quit()
    check(os.path.exists(os.path.join(installed, "Quorvel.ini")), "the settings written beside the game", "1-list.png")
    check(not os.listdir(elsewhere), "nothing written where it was started: %r" % os.listdir(elsewhere), "1-list.png")


def test_help_and_version(ctx):
    for option, words in (("--version", "Quorvel 1.0.0"), ("--help", "Usage: quorvel [FILE]")):
        if ctx.build == "linux":
            result = subprocess.run([ctx.exe, option], capture_output=True, text=True, timeout=30)
            check(result.returncode == 0 and words in result.stdout, "%s printed %r" % (option, result.stdout), option)
            continue
        # The Windows game has no console: a message box says it, and Enter closes it.
        process = subprocess.Popen(ctx.runner.command() + [option], env=ctx.runner.env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, start_new_session=True)
        try:
            box = wait_for(lambda: harness.xdotool(ctx.runner.env, "search", "--name", "^Quorvel$").stdout.split(),
                           30, "the %s message box" % option)[0]
            harness.xdotool(ctx.runner.env, "windowfocus", "--sync", box)
            time.sleep(0.3)
            harness.xdotool(ctx.runner.env, "key", "--window", box, "Return")
            check(process.wait(15) == 0, "%s ends with 0" % option, option)
        finally:
            if process.poll() is None:
                process.kill()
