#!/usr/bin/env python3
"""Fails when a source file includes a header of a higher layer.

usage: check_layers.py SOURCE_DIR

Layers run platform < image < labyrinth < game < render < app < the platform
targets (win32, posix, null, x11), which never include each other. A file may
include headers of its own folder or of lower ones. quorvel-tool (tools/)
sees image and labyrinth only. Movement reports a reached goal and the game
flow acts on it, so movement never includes the game flow.
"""
import os
import re
import sys

LAYERS = ["platform", "image", "labyrinth", "game", "render", "app"]
TARGETS = ["win32", "posix", "null", "x11"]
TOOL_MAY_INCLUDE = {"platform", "image", "labyrinth"}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"/]+)/[^"]+"', re.MULTILINE)
WHOLE_INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)
# Within a layer: files (by path without extension) and headers they must not include.
NEVER_INCLUDES = {"src/game/movement": {"game/game_flow.h"}}


def rank(folder):
    if folder in LAYERS:
        return LAYERS.index(folder)
    if folder in TARGETS:
        return len(LAYERS)
    return None


def allowed(own, included):
    if own == included:
        return True
    if own in TARGETS:
        return included in LAYERS   # a platform target never includes another
    own_rank, included_rank = rank(own), rank(included)
    return own_rank is not None and included_rank is not None and included_rank < own_rank


def sources(folder):
    for root, _, files in os.walk(folder):
        for name in sorted(files):
            if name.endswith((".h", ".cpp")):
                yield os.path.join(root, name)


def includes(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return INCLUDE.findall(f.read())


def main():
    source_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    src = os.path.join(source_dir, "src")
    faults = []
    for folder in sorted(os.listdir(src)):
        if not os.path.isdir(os.path.join(src, folder)):
            continue
        if rank(folder) is None:
            faults.append("src/%s is no known layer" % folder)
            continue
        for path in sources(os.path.join(src, folder)):
            for included in includes(path):
                if not allowed(folder, included):
                    faults.append("%s includes %s/, a higher layer" % (os.path.relpath(path, source_dir), included))
    for path in sources(src):
        stem = os.path.splitext(os.path.relpath(path, source_dir))[0].replace(os.sep, "/")
        with open(path, encoding="utf-8", errors="replace") as f:
            for whole in WHOLE_INCLUDE.findall(f.read()):
                if whole in NEVER_INCLUDES.get(stem, ()):
                    faults.append("%s includes %s, which calls back into it"
                                  % (os.path.relpath(path, source_dir), whole))
    for path in sources(os.path.join(source_dir, "tools")):
        for included in includes(path):
            if included not in TOOL_MAY_INCLUDE:
                faults.append("%s includes %s/: the tool sees image and labyrinth only"
                              % (os.path.relpath(path, source_dir), included))
    for fault in faults:
        print(fault)
    if not faults:
        print("every include points to its own layer or a lower one")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
