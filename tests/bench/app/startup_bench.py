#!/usr/bin/env python3
"""Start-up time under Wine: from launching the program to its main window
painted (the header band no longer black), median of several runs, beside a
blank Win32 window launched the same way (the platform's floor).

usage: startup_bench.py WIN64_BUILD [RUNS]
The released exe (WIN64_BUILD/../win64-release/yanqing.exe, the one users
download) is timed beside the test build's when it is there.
"""
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "e2e"))
import driver  # noqa: E402


def time_to_paint(session, exe_name):
    import shutil
    import subprocess
    exe = os.path.join(session.program_dir, exe_name)
    t0 = time.monotonic()
    app = subprocess.Popen(session.in_netns([driver.WINE, exe]), cwd=session.program_dir,
                           env=session.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    session.app = app

    def window():
        out = session.x("search", "--onlyvisible", "--name", "^%s$" % driver.TITLE,
                        check=False).split()
        return out[0] if out else None

    session.window = driver.wait_for(window, 60, 0.005, "the window")
    session.refresh_geometry()

    def painted():
        img = session.image("bench")
        return img.get(400, 60) != (0, 0, 0)

    driver.wait_for(painted, 30, 0.005, "the first paint")
    elapsed = time.monotonic() - t0
    session.stop_program()
    return elapsed


def main():
    build = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    exe = os.path.join(build, "yanqing.exe")
    release = os.path.join(build, "..", "win64-release", "yanqing.exe")
    blank = os.path.join(build, "tests", "bench", "app", "yq_blank_window.exe")
    probe = os.path.join(build, "tests", "e2e", "yq_probe.exe")
    import shutil
    programs = {"test build": "yanqing.exe", "blank window": "blank.exe"}
    if os.path.isfile(release):
        programs = {"release": "release.exe", **programs}
    results = {k: [] for k in programs}
    with driver.Session(exe, probe, "/tmp/yq-bench", "startup") as s:
        shutil.copy(blank, os.path.join(s.program_dir, "blank.exe"))
        if "release" in programs:
            shutil.copy(release, os.path.join(s.program_dir, "release.exe"))
        for i in range(runs + 1):  # the first round warms the prefix up
            for name, file in programs.items():
                t = time_to_paint(s, file)
                for f in ("pos.ini", "xtzt.data"):
                    if os.path.exists(s.file(f)):
                        os.remove(s.file(f))
                if i:
                    results[name].append(t)
    med = {k: statistics.median(v) for k, v in results.items()}
    for k, v in results.items():
        print("%-13s median %6.0f ms  (min %4.0f, max %4.0f, %d runs)"
              % (k, med[k] * 1000, min(v) * 1000, max(v) * 1000, len(v)))
    for k in results:
        if k != "blank window":
            print("ratio %s / blank window: %.2f" % (k, med[k] / med["blank window"]))
    if "release" in med:
        print("ratio release / test build: %.2f" % (med["release"] / med["test build"]))


if __name__ == "__main__":
    main()
