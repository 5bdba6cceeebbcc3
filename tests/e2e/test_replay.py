"""A best run is kept as a replay, and the replay proves it: played without a
window it reaches the goal at its recorded tick; a damaged one is refused."""
import glob
import os
import subprocess
import time

import screen
from harness import E2EError
from test_command_line import TraceReader
from test_play import check, play_content, walk_to_the_goal


def verify(ctx, content, replay):
    command = ctx.runner.command() + ["--replay", ctx.runner.path(replay), "--verify"]
    result = subprocess.run(command, cwd=content, env=ctx.runner.env, capture_output=True, text=True, timeout=120)
    return result.returncode, result.stdout.strip()


def test_a_best_run_is_kept_and_verified(ctx):
    content = play_content(ctx)
    trace = TraceReader(os.path.join(ctx.artifacts, "trace.txt"))
    game = ctx.start(content, args=["--trace", ctx.runner.path(trace.path)])
    game.key("Return", "Return")
    walk_to_the_goal(game, "1-solved")
    trace.wait("solved")
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
