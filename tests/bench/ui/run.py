#!/usr/bin/env python3
"""UI benchmarks under Wine and Xvfb.

  page-load: a category of 10,000 fonts with 4 KB pictures; the time of a page
    load at the last page (database read + five rows drawn), median of 50,
    beside the first page's.
  download-latency: five downloads at once from yanqing-server (slowed so they
    overlap); the lateness of a 20 ms timer on the UI thread, p50 and max.

usage: run.py [page-load|download-latency|all]  (from the source tree, after
scripts/test.sh or the native and win64 builds)
"""
import os
import random
import shutil
import subprocess
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import driver  # noqa: E402

WIN64 = os.path.join(ROOT, "build", "win64")
NATIVE = os.path.join(ROOT, "build", "native")


def session(name):
    return driver.Session(os.path.join(WIN64, "yanqing.exe"),
                          os.path.join(WIN64, "tests", "e2e", "yq_probe.exe"), "/tmp/yq-bench",
                          name, native=NATIVE)


def run_harness(s, mode):
    shutil.copy(os.path.join(WIN64, "tests", "bench", "ui", "yq_ui_bench.exe"),
                os.path.join(s.program_dir, "yq_ui_bench.exe"))
    # Output goes to a file: Wine's helper processes inherit a pipe and keep it
    # open long after the harness ends.
    log = os.path.join(s.tmp, mode + ".log")
    with open(log, "wb") as f:
        rc = subprocess.run(s.in_netns([driver.WINE, os.path.join(s.program_dir, "yq_ui_bench.exe"),
                                        mode]), cwd=s.program_dir, env=s.env, stdout=f,
                            stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                            timeout=600).returncode
    with open(log, "rb") as f:
        sys.stdout.write(f.read().decode("gbk", "replace")[-4000:])
    if rc:
        sys.stdout.write("harness exit code %d\n" % rc)
    return rc


def page_load():
    with session("page-load") as s:
        rng = random.Random(7)
        picture = os.path.join(s.tmp, "picture.bmp")
        # Noise does not compress: the packed picture stays about 4 KB.
        driver.write_bmp(picture, 40, 33, lambda x, y: (rng.randrange(256), rng.randrange(256),
                                                        rng.randrange(256)))
        layout = [("dl", "中文字体", "大类"), ("table", "大类")]
        layout += [("row", "大类", "字体%05d" % i, picture, "k%05d" % i) for i in range(10000)]
        driver.make_catalogue(NATIVE, layout, s.file("ztdata.mdb"))
        print("catalogue: 10,000 rows, %d-byte pictures, %.1f MB database"
              % (os.path.getsize(picture), os.path.getsize(s.file("ztdata.mdb")) / 1e6))
        return run_harness(s, "page-load")


def download_latency():
    sys.argv[1:] = ["--exe", "-", "--probe", "-", "--native", NATIVE]
    import test_download  # noqa: E402 (its catalogue builder)
    with session("download-latency") as s:
        faces = ["YqBench %d" % i for i in range(5)]
        out, _, _ = test_download.build_catalogue(s.tmp, {"下载": faces})
        shutil.copy(os.path.join(out, "ztdata.mdb"), s.file("ztdata.mdb"))
        s.serve(out, "slow=150000@/ztwjj/")
        return run_harness(s, "download-latency")


if __name__ == "__main__":
    which = sys.argv[1] if len(sys.argv) > 1 else "all"
    rc = 0
    if which in ("page-load", "all"):
        rc |= page_load()
    if which in ("download-latency", "all"):
        rc |= download_latency()
    sys.exit(rc)
