"""The program starts, shows its window, and ends writing its settings."""
import os
import time

import screen
from harness import E2EError, OtherWindow, cpu_ticks, read_bytes, wait_for
from test_play import play_content

DEFAULT_TEXT = (b"[Game]\r\nLabyrinth = 0\r\nSpeedlimit = 10\r\n\r\n[Video]\r\nFullscreen = 0\r\n\r\n"
                b"[Folders]\r\nImages = Images\\\r\nLabyrinths = Labyrinths\\\r\n\r\n[Window]\r\nSize = 640 480")


def settings_text(**values):
    fields = {"labyrinth": 0, "speed": 10, "fullscreen": 0, "images": "Images\\", "labyrinths": "Labyrinths\\",
              "width": 640, "height": 480}
    fields.update(values)
    return ("[Game]\r\nLabyrinth = %(labyrinth)d\r\nSpeedlimit = %(speed)d\r\n\r\n[Video]\r\n"
            "Fullscreen = %(fullscreen)d\r\n\r\n[Folders]\r\nImages = %(images)s\r\nLabyrinths = %(labyrinths)s"
            "\r\n\r\n[Window]\r\nSize = %(width)d %(height)d" % fields).encode()


def expect_equal(actual, expected, what):
    if actual != expected:
        raise E2EError("%s: expected %r, got %r" % (what, expected, actual))


def test_defaults_without_settings_file_and_f12(ctx):
    # A game folder with nothing in it yet: with no labyrinth folder either,
    # the game would use its own folder instead.
    content = ctx.content({"Labyrinths": None})
    game = ctx.start(content)
    expect_equal(game.client_size(), (640, 480), "client area")
    game.screenshot("main-window")
    game.quit()
    expect_equal(read_bytes(os.path.join(content, "Quorvel.ini")), DEFAULT_TEXT, "written settings")


def test_size_setting_and_closing_the_window(ctx):
    text = settings_text(width=800, height=600)
    content = ctx.content({"Quorvel.ini": text})
    game = ctx.start(content)
    expect_equal(game.client_size(), (800, 600), "client area")
    game.close()
    expect_equal(read_bytes(os.path.join(content, "Quorvel.ini")), text, "written settings")


def test_odd_settings_files_are_read_and_written_back(ctx):
    # No sections, keys out of order, no blanks, a lower-case key, a flag
    # beyond 8 bits (a full-screen request this display refuses) and a folder of two words.
    odd = ("Size = 700 500\nlabyrinth = 5\nLabyrinth=2\nSpeedlimit = 20\nFullscreen = 257\n"
           "Images = My Images\\\n")
    content = ctx.content({"Quorvel.ini": odd})
    game = ctx.start(content)
    expect_equal(game.client_size(), (700, 500), "client area")
    game.quit()
    # No labyrinth folder here, so the stored index falls back to 0.
    expect_equal(read_bytes(os.path.join(content, "Quorvel.ini")),
                 settings_text(labyrinth=0, speed=20, fullscreen=1, images="My", width=700, height=500),
                 "written settings")


def test_refused_full_screen_request_still_opens_a_window(ctx):
    # No display offers a 333 x 222 mode: the game must fall back to a window.
    text = settings_text(fullscreen=1, width=333, height=222)
    content = ctx.content({"Quorvel.ini": text})
    game = ctx.start(content)
    expect_equal(game.client_size(), (333, 222), "client area")
    game.screenshot("fallback-window")
    game.quit()
    expect_equal(read_bytes(os.path.join(content, "Quorvel.ini")), text, "written settings")


def test_an_unfocused_window_costs_no_cpu(ctx):
    content = play_content(ctx)
    game = ctx.start(content)
    game.key("Return", "Return")   # into the corridor: frames cost the most while playing
    pid = game.process.pid

    def used_over(seconds):
        before = cpu_ticks(pid)
        time.sleep(seconds)
        return cpu_ticks(pid) - before

    busy = used_over(1.0)
    if busy == 0:
        raise E2EError("the measurement sees nothing: a focused game used no CPU time in 1 s")
    other = OtherWindow(game.env["DISPLAY"])
    try:
        time.sleep(0.3)   # the focus change reaches the game, which stops at once
        idle = used_over(2.0)
    finally:
        other.close()
    print("  CPU ticks: %d in 1 s focused, %d in 2 s unfocused" % (busy, idle))
    if idle != 0:
        raise E2EError("the unfocused game used %d clock ticks of CPU in 2 s" % idle)

    # Focused again, the game runs frames and reads keys: Escape opens the menu.
    # Wine with no window manager does not make its window active again when
    # the X focus comes back, so only the native game is tried here.
    if ctx.build == "linux":
        game.focus()
        game.key("Escape")
        wait_for(lambda: screen.red_text_at(game.client_pixels("menu-after-focus"), -0.6, 0.1), 10,
                 "the main menu after focusing the game again", interval=0.2)
        game.quit()


def test_still_screens_and_a_frame_limit_spare_the_cpu(ctx):
    # Play without a limit draws as fast as it can: the measure the others
    # are held to. A hand-edited Options.ini limits play to 30 frames a second;
    # the main menu stays near 60 whatever the limit. The file, unchanged in
    # the game, is not written again.
    def used_over(pid, seconds):
        before = cpu_ticks(pid)
        time.sleep(seconds)
        return cpu_ticks(pid) - before

    game = ctx.start(play_content(ctx))
    game.key("Return", "Return")
    unlimited = used_over(game.process.pid, 2.0)
    game.quit()

    options = b"[View]\r\nFrameLimit = 30 \r\n"
    content = play_content(ctx)
    with open(os.path.join(content, "Options.ini"), "wb") as f:
        f.write(options)
    game = ctx.start(content)
    time.sleep(0.3)
    menu = used_over(game.process.pid, 2.0)
    game.key("Return", "Return")
    limited = used_over(game.process.pid, 2.0)
    game.quit()
    print("  CPU ticks in 2 s: play %d unlimited, %d at 30 frames; main menu %d" % (unlimited, limited, menu))
    if unlimited < 8:
        raise E2EError("the measurement sees too little: unlimited play used %d ticks in 2 s" % unlimited)
    if menu * 4 > unlimited:
        raise E2EError("the still main menu used %d ticks, more than a quarter of play's %d" % (menu, unlimited))
    if limited * 2 > unlimited:
        raise E2EError("play at 30 frames used %d ticks, more than half of unlimited play's %d" % (limited, unlimited))
    expect_equal(read_bytes(os.path.join(content, "Options.ini")), options, "Options.ini, never changed")


def test_the_exe_carries_its_manifest_and_version(ctx):
    # Per-monitor DPI awareness: a scaled display shows the game sharp, not
    # a smaller picture stretched. The version block is UTF-16, as Windows keeps it.
    if ctx.build != "windows":
        return
    data = read_bytes(ctx.exe)
    for what, needle in (("per-monitor DPI awareness", b"PerMonitorV2"),
                         ("the product name", "ProductName".encode("utf-16-le")),
                         ("the file version", "1.0.0.0".encode("utf-16-le"))):
        if needle not in data:
            raise E2EError("quorvel.exe lacks %s" % what)
    game = ctx.start(ctx.content({"Labyrinths": None}))   # and it still starts and draws its menu
    game.quit()
