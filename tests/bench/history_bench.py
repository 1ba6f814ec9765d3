#!/usr/bin/env python3
"""An install that replaces another track's files, and its restore, against their floors.

    history_bench.py DIR [RUNS]

The install's floor is the durable copy of the new files (each flushed, the folder once) plus
the bare replaces of the two season files (temporary, flush, rename), the old files moved
aside by rename. The restore's floor is the renames and replaces it needs: the new files moved
aside, the old ones renamed back, the season files replaced. Each side is timed from outside,
in turn, on a fresh copy of the same game folder; the medians and their ratio are printed.
gridmoor-cli is taken from GRIDMOOR_CLI (default: build/rel/cli/gridmoor-cli).
"""
import os
import shutil
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CLI = os.environ.get("GRIDMOOR_CLI", os.path.join(ROOT, "build/rel/cli/gridmoor-cli"))
TRACK_FILES = ["track.ini", "record.ini", "race.lp", "pit.lp", "pass1.lp", "pass2.lp",
               "maxrace.lp", "minrace.lp"]


def prepare(base):
    shutil.rmtree(base, ignore_errors=True)
    os.makedirs(base)
    package = os.path.join(base, "package")
    shutil.copytree(os.path.join(ROOT, "examples/package"), package)
    ini = os.path.join(package, "install.ini")
    with open(ini, "rb") as f:
        text = f.read().replace(b"trackDirectory=kestrel", b"trackDirectory=calder")
    with open(ini, "wb") as f:
        f.write(text)
    with open(os.path.join(package, "dat"), "wb") as f:  # a 20 MiB track, as most are
        f.write(os.urandom(20 << 20))
    template = os.path.join(base, "template")
    shutil.copytree(os.path.join(ROOT, "examples/game"), template)
    calder = os.path.join(template, "tracks/calder")
    with open(os.path.join(calder, "calder.dat"), "wb") as f:
        f.write(os.urandom(20 << 20))
    return package, template


def fresh(template, game):
    shutil.rmtree(game, ignore_errors=True)
    shutil.copytree(template, game)
    os.sync()


def durable_copy(source, target):
    with open(source, "rb") as s, open(target + ".tmp", "wb") as t:
        shutil.copyfileobj(s, t, 1 << 20)
        t.flush()
        os.fsync(t.fileno())
    os.rename(target + ".tmp", target)


def replace(path, data):
    with open(path + ".tmp", "wb") as t:
        t.write(data)
        t.flush()
        os.fsync(t.fileno())
    os.rename(path + ".tmp", path)


def flush_folder(folder):
    fd = os.open(folder, os.O_RDONLY)
    os.fsync(fd)
    os.close(fd)


def install_floor(package, game, aside):
    folder = os.path.join(game, "tracks/calder")
    os.makedirs(aside, exist_ok=True)
    names = [("dat", "calder.dat")] + [(n, n) for n in TRACK_FILES]
    for source, target in names:
        path = os.path.join(folder, target)
        if os.path.exists(path):
            os.rename(path, os.path.join(aside, target))
        durable_copy(os.path.join(package, source), path)
    flush_folder(folder)
    for name in ("67season.ini", "gp.ini"):
        path = os.path.join(game, "seasons", name)
        with open(path, "rb") as f:
            replace(path, f.read() + b"\r\n")
    flush_folder(os.path.join(game, "seasons"))


def restore_floor(game, aside, redo):
    folder = os.path.join(game, "tracks/calder")
    os.makedirs(redo, exist_ok=True)
    for name in os.listdir(aside):
        os.rename(os.path.join(folder, name), os.path.join(redo, name))
        os.rename(os.path.join(aside, name), os.path.join(folder, name))
    for name in ("67season.ini", "gp.ini"):
        path = os.path.join(game, "seasons", name)
        with open(path, "rb") as f:
            replace(path, f.read()[:-2])
    flush_folder(os.path.join(game, "seasons"))


def timed(action):
    start = time.perf_counter()
    action()
    return time.perf_counter() - start


def main():
    base = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    package, template = prepare(base)
    game = os.path.join(base, "game")
    cli = lambda *args: subprocess.run([CLI, *args, "--game", game, "--force", "--yes"],
                                       check=True, stdout=subprocess.DEVNULL)
    results = {"install": [], "install floor": [], "restore": [], "restore floor": []}
    for _ in range(runs):
        fresh(template, game)
        results["install"].append(timed(lambda: cli("install", "--championship", package)))
        results["restore"].append(timed(lambda: cli("restore")))
        fresh(template, game)
        aside, redo = os.path.join(base, "aside"), os.path.join(base, "redo")
        shutil.rmtree(aside, ignore_errors=True)
        shutil.rmtree(redo, ignore_errors=True)
        results["install floor"].append(timed(lambda: install_floor(package, game, aside)))
        results["restore floor"].append(timed(lambda: restore_floor(game, aside, redo)))
    medians = {name: statistics.median(values) for name, values in results.items()}
    for name, value in medians.items():
        print(f"{name:14s} median {value * 1000:8.1f} ms over {runs} runs")
    print(f"install / floor: {medians['install'] / medians['install floor']:.2f}")
    print(f"restore / floor: {medians['restore'] / medians['restore floor']:.2f}")


if __name__ == "__main__":
    main()
