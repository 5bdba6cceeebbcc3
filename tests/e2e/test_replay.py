"""A best run is kept as a replay, and the replay proves it: played without a
window it reaches the goal at its recorded tick; a damaged one is refused."""
import glob
import os
import subprocess
import time

import screen
from harness import E2EError, read_text, wait_for
from test_command_line import TraceReader
from test_play import CORRIDOR, PALETTE, bmp24, check, play_content, walk_to_the_goal


def verify(ctx, content, replay):
    command = ctx.runner.command() + ["--replay", ctx.runner.path(replay), "--verify"]
    result = subprocess.run(command, cwd=content, env=ctx.runner.env, capture_output=True, text=True, timeout=120)
    return result.returncode, result.stdout.strip()


def start_traced(ctx, content):
    """The game started in `content` with its trace, and the trace's reader."""
    trace = TraceReader(os.path.join(ctx.artifacts, "trace.txt"))
    return ctx.start(content, args=["--trace", ctx.runner.path(trace.path)]), trace


def solve_the_first(game, trace):
    """From the main menu into the first labyrinth of the list, walked up to its goal."""
    game.key("Return", "Return")
    walk_to_the_goal(game, "1-solved")
    trace.wait("solved")


def test_a_best_run_is_kept_and_verified(ctx):
    content = play_content(ctx)
    game, trace = start_traced(ctx, content)
    solve_the_first(game, trace)
    played = int(trace.lines("tick")[-1]["n"])

    # R: the best run again, through the same ticks, then the solved screen.
    game.key("r")
    trace.wait("start", count=2)
    time.sleep(0.2)
    watching = game.client_pixels("2-watching")
    check(not screen.red_text_at(watching, -0.6, 0.3), "the run shown, not the solved screen", "2-watching.png")
    trace.wait("screen", count=2, name="solved")
    lines = trace.lines()
    second_start = [k for k, line in enumerate(lines) if line["event"] == "start"][1]
    watched = [int(line["n"]) for line in lines[second_start:] if line["event"] == "tick"]
    check(watched and watched[-1] == played, "the watched run's ticks end at %d: %r" % (played, watched[-3:]),
          "2-watching.png")
    game.quit()
    replays = glob.glob(os.path.join(content, "Replays", "*.qrp"))
    check(len(replays) == 1, "one replay for the best run: %r" % replays, "1-solved.png")
    size = os.path.getsize(replays[0])
    check(size < 1024, "a small replay (%d bytes)" % size, "1-solved.png")

    code, said = verify(ctx, content, replays[0])
    print("  --verify: %d %r" % (code, said))
    check(code == 0 and "as recorded" in said, "the replay verified: exit %d, %r" % (code, said), "1-solved.png")

    damaged = os.path.join(content, "damaged.qrp")
    data = bytearray(open(replays[0], "rb").read())
    data[len(data) // 2] ^= 0xFF
    open(damaged, "wb").write(bytes(data))
    code, said = verify(ctx, content, damaged)
    check(code == 1 and "damaged" in said, "a damaged replay refused: exit %d, %r" % (code, said), "1-solved.png")

    # The same run in a folder whose labyrinth has other content.
    other = ctx.content({"Palette.txt": open(os.path.join(content, "Palette.txt")).read(),
                         "Labyrinths/a.bmp": open(os.path.join(content, "Labyrinths", "b-second.bmp"), "rb").read()})
    code, said = verify(ctx, other, replays[0])
    check(code == 1 and "another labyrinth" in said, "a foreign replay refused: exit %d, %r" % (code, said),
          "1-solved.png")
    if os.listdir(os.path.join(content, "Replays")) != [os.path.basename(replays[0])]:
        raise E2EError("verifying wrote into Replays/")


def corridor_only(ctx):
    """The corridor alone, so the solved screen's Enter plays it again."""
    return ctx.content({"Palette.txt": PALETTE, "Labyrinths/a-corridor.bmp": bmp24(CORRIDOR)})


def differing_box(before, after):
    """The box around the pixels that differ between two shots, and their count."""
    width, height, rows_before = before
    rows_after = after[2]
    xs, ys = [], []
    for y in range(height):
        for x in range(width):
            if max(abs(a - b) for a, b in zip(rows_before[y][x], rows_after[y][x])) > 24:
                xs.append(x)
                ys.append(y)
    if not xs:
        return None, 0
    return (min(xs), min(ys), max(xs), max(ys)), len(xs)


def test_the_ghost_stands_where_the_best_run_was_and_h_is_no_record(ctx):
    content = corridor_only(ctx)
    game, trace = start_traced(ctx, content)
    solve_the_first(game, trace)
    best = open(os.path.join(content, "Records.txt"), "rb").read()

    # Again, walking only part of the way: the ghost, done, waits at the
    # goal a cell or two ahead, inside the fog's reach.
    game.key("Return")
    trace.wait("start", count=2)
    game.key_down("Up")
    try:
        wait_for(lambda: any(float(t["z"]) < 3.7 for t in trace.lines("tick")[-3:]), 10, "the player half-way")
    finally:
        game.key_up("Up")
    ticks = len(trace.lines("tick"))
    trace.wait("tick", count=ticks + 120)   # the best run is over and the player stands
    z = float(trace.lines("tick")[-1]["z"])
    check(z > 2.2, "the player stopped short of the goal (z %.2f)" % z, "1-solved.png")
    without = game.client_pixels("2-no-ghost")
    game.key("g")
    time.sleep(0.3)
    with_ghost = game.client_pixels("3-ghost")
    box, changed = differing_box(without, with_ghost)
    print("  the ghost at z %.2f changed %d pixels in %r" % (z, changed, box))
    check(box is not None and changed > 200, "the ghost shows ahead", "3-ghost.png")
    width = with_ghost[0]
    check(box[0] > width * 0.3 and box[2] < width * 0.7, "the ghost stands straight ahead: %r" % (box,),
          "3-ghost.png")
    x, y = (box[0] + box[2]) // 2, (box[1] + box[3]) // 2
    check(with_ghost[2][y][x][0] > without[2][y][x][0], "the ghost is reddish", "3-ghost.png")

    # H: the way on the map; the run that asked is no record.
    game.key("h")
    time.sleep(0.3)
    hinted = game.client_pixels("4-hint")
    top_right = (with_ghost[0] * 3 // 4, 0, with_ghost[0], with_ghost[1] // 3)
    check(screen.count(hinted, top_right, screen.is_red) > 20, "the way on the map, top right", "4-hint.png")
    walk_to_the_goal(game, "5-assisted")
    text = read_text(game.client_shot("5-assisted", for_reading=True))
    check("assisted" in text, "the solved screen says assisted: %r" % text, "5-assisted.png")
    game.quit()
    check(open(os.path.join(content, "Records.txt"), "rb").read() == best, "the record is the first run's",
          "5-assisted.png")
    check(not os.path.exists(os.path.join(content, "Options.ini")), "G made no Options.ini", "5-assisted.png")


def test_an_idle_main_menu_walks_a_bundled_labyrinth_within_par(ctx):
    data = os.path.join(ctx.source_dir, "data")
    name = "02-Round-The-Corner.bmp"
    picture = open(os.path.join(data, "Labyrinths", name), "rb").read()
    content = ctx.content({"Palette.txt": open(os.path.join(data, "Palette.txt")).read(),
                           "Labyrinths/" + name: picture})
    game, trace = start_traced(ctx, content)
    started = time.monotonic()
    start = trace.wait("start", timeout=60)[0]
    idle = time.monotonic() - started
    print("  the autopilot began after %.1f s in the menu" % idle)
    check(idle > 25, "not before 30 s without input (%.1f s)" % idle, "0-first-menu.png")
    time.sleep(0.5)
    game.client_pixels("1-autopilot")
    trace.wait("screen", count=2, name="menu", timeout=60)
    ticks = trace.lines("tick")
    par = int(start["par_ms"])
    walked = int(ticks[-1]["ms"])
    print("  walked in %d ms, par %d ms, %d ticks" % (walked, par, len(ticks)))
    check(walked <= 1.2 * par, "within 1.2 x par: %d ms against %d ms" % (walked, par), "1-autopilot.png")
    turns = [abs(float(b["yaw"]) - float(a["yaw"])) for a, b in zip(ticks, ticks[1:])]
    check(max(turns) < 10, "turned smoothly: the largest turn %.1f degrees a tick" % max(turns), "1-autopilot.png")
    # The last tick stands on the goal: a green pixel of the picture.
    column, row = int(round(float(ticks[-1]["x"]))), int(round(float(ticks[-1]["z"])))
    path = os.path.join(content, "Labyrinths", name)
    colour = subprocess.run(["convert", path, "-format", "%%[pixel:p{%d,%d}]" % (column, row), "info:"],
                            capture_output=True, text=True, timeout=30).stdout
    check(colour in ("lime", "srgb(0,255,0)"), "ended on the goal, cell %d,%d is %r" % (column, row, colour),
          "1-autopilot.png")
    check(trace.lines("solved") == [], "no solve of the player's", "1-autopilot.png")
    game.quit()
    check(not os.path.exists(os.path.join(content, "Records.txt")), "no record", "1-autopilot.png")
