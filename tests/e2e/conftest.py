"""pytest fixtures for the end-to-end tests of the real game: every test runs
once against quorvel.exe under Wine and once against the native Linux build.

One Xvfb display and one Wine prefix serve the whole run. Each test gets a
`ctx` with its own scratch folder and artifacts folder; the games it starts
are stopped afterwards, and a failed test leaves a screenshot of every game
still running and its content folders behind.

    python3 -m pytest tests/e2e --exe build-win/src/quorvel.exe [--native build/src/quorvel]
        [--artifacts DIR] [-k NAME]

`-k windows` or `-k linux` runs the tests of one build only.
"""
import os
import shutil
import tempfile
import time

import pytest

import screen

import harness

SOURCE_DIR = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))


def pytest_addoption(parser):
    parser.addoption("--exe", default=os.path.join(SOURCE_DIR, "build-win", "src", "quorvel.exe"),
                     help="the quorvel.exe to test")
    parser.addoption("--artifacts", default=os.path.join(SOURCE_DIR, "out", "e2e-artifacts"),
                     help="where screenshots and the logs of failed tests are kept")
    parser.addoption("--native", default=os.path.join(SOURCE_DIR, "build", "src", "quorvel"),
                     help="the native Linux quorvel to test")
    parser.addoption("--wineprefix", default=None, help="an initialised Wine prefix to share")


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    # The outcome of each phase, for the ctx fixture's clean-up to read.
    outcome = yield
    report = outcome.get_result()
    setattr(item, "report_" + report.when, report)


def program(pytestconfig, option):
    path = os.path.abspath(pytestconfig.getoption(option))
    if not os.path.exists(path):
        pytest.exit("no such program: %s" % path, returncode=2)
    return path


@pytest.fixture(scope="session")
def artifacts_root(pytestconfig):
    root = os.path.abspath(pytestconfig.getoption("artifacts"))
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(root)
    return root


@pytest.fixture(scope="session")
def display():
    screen = harness.VirtualDisplay(1600, 1200)   # room for a 1280 x 960 window
    yield screen
    screen.stop()


@pytest.fixture
def window_manager(display):
    """A window manager for one test; the others run on the bare display."""
    manager = harness.WindowManager(display)
    yield manager
    manager.stop()


@pytest.fixture(scope="session")
def wine_prefix(display, pytestconfig):
    given = pytestconfig.getoption("wineprefix")
    started = time.monotonic()
    prefix = harness.WinePrefix(display, given)
    print("wine prefix ready in %.1f s" % (time.monotonic() - started))
    yield prefix
    prefix.stop()
    if not given:
        shutil.rmtree(prefix.path, ignore_errors=True)


@pytest.fixture(scope="session")
def scratch_root():
    root = tempfile.mkdtemp(prefix="quorvel-e2e-")
    yield root
    shutil.rmtree(root, ignore_errors=True)


@pytest.fixture(scope="session", params=["windows", "linux"])
def runner(request, display, pytestconfig):
    """How games are started: one build per value; Wine is prepared only for its own."""
    if request.param == "windows":
        prefix = request.getfixturevalue("wine_prefix")
        yield harness.WineRunner(prefix, program(pytestconfig, "exe"))
        # Wine's own processes outlive the games: the native games get a
        # display with no client of Wine's left on it.
        prefix.stop()
    else:
        yield harness.NativeRunner(display, program(pytestconfig, "native"))


class Context:
    """What a test needs: content folders of its own and games started in them."""

    def __init__(self, runner, artifacts, scratch):
        self.runner = runner
        self.build = runner.name   # "windows" or "linux"
        self.exe = runner.exe
        self.artifacts = artifacts
        self.scratch = scratch
        self.source_dir = SOURCE_DIR
        self.games = []
        self.contents = []

    def content(self, files=None):
        folder = harness.make_content(self.scratch, files)
        self.contents.append(folder)
        return folder

    def start(self, content, extra_env=None, args=None, exe=None, first_menu=True):
        """Starts the game in `content` and waits for its window and the
        first menu drawn in it: keys sent before the game's first frame all
        reach that one frame, and several taps of a key become one press."""
        game = harness.Game(self.runner, content, self.artifacts, extra_env, args, exe)
        self.games.append(game)
        game.find_window()
        if not first_menu:
            return game
        harness.wait_for(lambda: screen.share(game.client_pixels("0-first-menu"), screen.is_red) > 0, 60,
                         "the first menu drawn", interval=0.2)
        return game


@pytest.fixture
def ctx(request, runner, artifacts_root, scratch_root):
    name = "%s.%s" % (request.module.__name__, request.node.name)
    artifacts = os.path.join(artifacts_root, name)
    os.makedirs(artifacts)
    context = Context(runner, artifacts, tempfile.mkdtemp(prefix="t-", dir=scratch_root))
    yield context
    report = getattr(request.node, "report_call", None)
    failed = report is None or report.failed
    for game in context.games:
        if failed and game.window and game.process.poll() is None:
            game.screenshot("at-failure")
        game.stop()
    reports = [game.log.name for game in context.games if harness.has_sanitizer_report(game.log.name)]
    if failed or reports:
        for index, folder in enumerate(context.contents):
            harness.keep_artifacts(folder, os.path.join(artifacts, "content-%d" % index))
    if reports:
        pytest.fail("a sanitizer reported a fault: see %s" % ", ".join(reports))
