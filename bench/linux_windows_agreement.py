#!/usr/bin/env python3
"""How often the Linux and the Windows program write the same bytes: random runs of "/R1" to
"/R9" (host angle, indicated points, a first line and the angle argument drawn at random,
written with 0 to 3 decimals as people and hosts write them) through the Linux auxline and
through auxline.exe under Wine. Each run's exit status and settings file must match exactly
and its exchange file as tests/win32/same_commands.py allows (numbers within 1e-14 of
themselves); counted are the runs with identical bytes and those that differ only there.
About 75 ms a run under Wine: 20,000 runs take some 25 minutes.
    xvfb-run -a python3 bench/linux_windows_agreement.py [RUNS] [LINUX_AUXLINE] [AUXLINE_EXE]
Defaults: 20000, build/platform/linux/auxline, build-windows/platform/win32/auxline.exe.
Uses $WINEPREFIX if set, else a fresh prefix from tests/win32/wine_prefix.sh.
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(REPO, "tests", "win32"))
from same_commands import compare  # noqa: E402


def written(value):
    return f"{round(value, random.randint(0, 3)):g}" if random.random() < 0.5 else str(
        round(value, random.randint(0, 3)))


def random_run():
    """The arguments and the exchange file of one run."""
    mode = random.randint(1, 9)
    arguments = [f"/R{mode}"] + ([written(random.uniform(-360, 360))] if mode in (4, 7) else [])
    coordinate = lambda: written(random.uniform(-1e5, 1e5))  # noqa: E731
    lines = ["hk " + written(random.uniform(-360, 360)), "lg2", "ly5", "lc1", "lt1", "lw0",
             f"hp1 {coordinate()} {coordinate()}", f"hp2 {coordinate()} {coordinate()}",
             "lc2", " ".join(coordinate() for _ in range(4))]
    return arguments, "".join(line + "\r\n" for line in lines).encode()


def run(folder, program, arguments, exchange):
    with open(os.path.join(folder, "JWC_TEMP.TXT"), "wb") as f:
        f.write(exchange)
    status = subprocess.run(program + arguments, cwd=folder, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            timeout=60).returncode
    with open(os.path.join(folder, "JWC_TEMP.TXT"), "rb") as f:
        written_exchange = f.read()
    settings = os.path.join(folder, "auxline.dat")
    with open(settings, "rb") if os.path.exists(settings) else open(os.devnull, "rb") as f:
        return status, written_exchange, f.read()


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 20000
    linux_exe = sys.argv[2] if len(sys.argv) > 2 else "build/platform/linux/auxline"
    windows_exe = sys.argv[3] if len(sys.argv) > 3 else "build-windows/platform/win32/auxline.exe"
    random.seed(int(os.environ.get("SEED", "1")))
    scratch = tempfile.mkdtemp()
    os.environ["WINEDEBUG"] = "-all"
    if "WINEPREFIX" not in os.environ:
        prefix = subprocess.run(["bash", os.path.join(REPO, "tests/win32/wine_prefix.sh"),
                                 os.path.join(scratch, "prefix")], check=True,
                                capture_output=True, text=True).stdout.strip()
        os.environ["WINEPREFIX"] = prefix
    subprocess.run(["wineserver", "-p"], check=True)  # one server for every run
    try:
        counts = measure(runs, linux_exe, windows_exe, scratch)
    finally:
        subprocess.run(["wineserver", "-k"])
        shutil.rmtree(scratch, ignore_errors=True)
    identical, close, different, seconds = counts
    print(f"{runs} runs in {seconds:.0f} s: {identical} byte-identical, {close} differing only "
          f"in a number within 1e-14 of itself, {different} otherwise different")
    sys.exit(1 if different else 0)


def measure(runs, linux_exe, windows_exe, scratch):
    linux_dir, windows_dir = os.path.join(scratch, "linux"), os.path.join(scratch, "windows")
    os.makedirs(linux_dir)
    os.makedirs(windows_dir)
    shutil.copy(linux_exe, os.path.join(linux_dir, "auxline"))
    shutil.copy(windows_exe, os.path.join(windows_dir, "auxline.exe"))
    counts, started = [0, 0, 0], time.time()
    for number in range(runs):
        arguments, exchange = random_run()
        linux = run(linux_dir, ["./auxline"], arguments, exchange)
        windows = run(windows_dir, ["wine", "auxline.exe"], arguments, exchange)
        outcome, difference = compare(linux[1], windows[1])
        if linux[0] != windows[0] or linux[2] != windows[2]:
            outcome, difference = 2, f"exit {linux[0]}/{windows[0]} or settings differ"
        counts[outcome] += 1
        if outcome:
            print(f"run {number} {arguments} {exchange!r}: " +
                  (difference or linux[1].decode("latin-1").replace("\r\n", " | ") + " / " +
                   windows[1].decode("latin-1").replace("\r\n", " | ")), flush=True)
    return counts + [time.time() - started]


if __name__ == "__main__":
    main()
