#!/usr/bin/env python3
"""Runs the end-to-end tests: the real quorvel.exe under Wine on a virtual display.

usage: run_e2e.py --exe build-win/src/quorvel.exe [--artifacts DIR] [-k SUBSTRING]

Each tests/e2e/test_*.py module holds functions test_NAME(ctx). One Xvfb and
one Wine prefix serve the whole run. Screenshots of every test, and the logs
and content folder of a failed one, are kept under the artifacts folder.
"""
import argparse
import glob
import importlib.util
import os
import shutil
import sys
import tempfile
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402


class Context:
    def __init__(self, prefix, exe, artifacts, scratch, source_dir):
        self.prefix = prefix
        self.exe = exe
        self.artifacts = artifacts
        self.scratch = scratch
        self.source_dir = source_dir
        self.games = []
        self.contents = []

    def content(self, files=None):
        folder = harness.make_content(self.scratch, files)
        self.contents.append(folder)
        return folder

    def start(self, content, extra_env=None):
        """Starts the game in `content` and waits for its window."""
        game = harness.Game(self.prefix, self.exe, content, self.artifacts, extra_env)
        self.games.append(game)
        game.find_window()
        return game

    def stop_all(self):
        for game in self.games:
            game.stop()


def discover(filter_text):
    here = os.path.dirname(os.path.abspath(__file__))
    tests = []
    for path in sorted(glob.glob(os.path.join(here, "test_*.py"))):
        name = os.path.splitext(os.path.basename(path))[0]
        found = importlib.util.spec_from_file_location(name, path)
        module = importlib.util.module_from_spec(found)
        found.loader.exec_module(module)
        for attribute in sorted(dir(module)):
            if attribute.startswith("test_") and callable(getattr(module, attribute)):
                full = "%s.%s" % (name, attribute)
                if not filter_text or filter_text in full:
                    tests.append((full, getattr(module, attribute)))
    return tests


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--artifacts", default="out/e2e-artifacts")
    parser.add_argument("-k", dest="filter", default="")
    parser.add_argument("--wineprefix", default=None, help="an initialised Wine prefix to share")
    args = parser.parse_args()

    exe = os.path.abspath(args.exe)
    if not os.path.exists(exe):
        print("no such program: %s" % exe)
        return 2
    artifacts_root = os.path.abspath(args.artifacts)
    shutil.rmtree(artifacts_root, ignore_errors=True)
    os.makedirs(artifacts_root)
    source_dir = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))

    tests = discover(args.filter)
    display = harness.VirtualDisplay(1600, 1200)   # room for a 1280 x 960 window
    scratch_root = tempfile.mkdtemp(prefix="quorvel-e2e-")
    passed = failed = 0
    try:
        started = time.monotonic()
        prefix = harness.WinePrefix(display, args.wineprefix)
        print("wine prefix ready in %.1f s" % (time.monotonic() - started), flush=True)
        for name, test in tests:
            artifacts = os.path.join(artifacts_root, name)
            os.makedirs(artifacts)
            scratch = tempfile.mkdtemp(prefix="t-", dir=scratch_root)
            ctx = Context(prefix, exe, artifacts, scratch, source_dir)
            began = time.monotonic()
            try:
                test(ctx)
                passed += 1
                print("PASS %s (%.1f s)" % (name, time.monotonic() - began), flush=True)
            except Exception:  # noqa: BLE001 - any failure of the test is reported the same way
                failed += 1
                print("FAIL %s (%.1f s)" % (name, time.monotonic() - began), flush=True)
                traceback.print_exc()
                for game in ctx.games:
                    if game.window and game.process.poll() is None:
                        game.screenshot("at-failure")
                for index, folder in enumerate(ctx.contents):
                    harness.keep_artifacts(folder, os.path.join(artifacts, "content-%d" % index))
            finally:
                ctx.stop_all()
        prefix.stop()
        if not args.wineprefix:
            shutil.rmtree(prefix.path, ignore_errors=True)
    finally:
        display.stop()
        shutil.rmtree(scratch_root, ignore_errors=True)
    print("artifacts: %s" % artifacts_root)
    print("e2e: %d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 and passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
