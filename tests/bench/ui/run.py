#!/usr/bin/env python3
"""UI benchmarks under Wine and Xvfb.

  page-load: a category of 10,000 fonts with 4 KB pictures; the time of a page
    load at the last page (database read + five rows drawn), median of 50,
    beside the first page's.
  download-latency: five downloads at once from yanqing-server (slowed so they
    overlap); how long the program's UI thread takes to answer, asked every
    20 ms, p50 and max.
  picture-memory: the program's peak working set while it shows 20 catalogue
    pages of pictures that claim 4096 x 4096 (BMP, GIF, JPEG, PNG in an icon)
    or inflate without end, beside the same 20 pages of ordinary pictures.
  search-keys: with 2,000 and with 10,000 registered fonts, one keystroke in
    the search box and one in the preview text box, until the grid is done.
  batch-uninstall: 500 fonts uninstalled in one batch beside a bare loop of
    the same calls over 500 others; the UI thread's answers meanwhile.
  folder-listing: 2,000 font files in 字体下载目录; tab 3's list refresh cold
    (every file read) and warm (the names stored).
  backup: 一键备份 of 2,000 registered fonts beside a bare CopyFileA loop over
    the same files; a second backup with nothing changed; the UI thread's
    answers during a backup.
  catalogue-update: a catalogue of 10,000 fonts with pictures offered as a
    newer version; Yes until the new catalogue is shown, beside a bare
    download and unpack of the same file; the UI thread's answers meanwhile;
    main-window repaints beside one GET of /My.txt.
  text-preview: 50 clicks of a preview button until the picture is shown,
    beside 50 bare GETs of the same /text.php address.
  frame-paint: full repaints of the main window and hover redraws of one
    caption button and of one tab, with the pixels each copies; the GDI
    objects around 100 openings of the skin picker.

usage: run.py [page-load|download-latency|picture-memory|search-keys|batch-uninstall|
               folder-listing|backup|catalogue-update|text-preview|frame-paint|all]  (from the source tree, after
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


# The exe users download, as the e2e tests run it; the test build where
# there is no release build.
RELEASE_EXE = os.path.join(ROOT, "build", "win64-release", "yanqing.exe")
PROGRAM = RELEASE_EXE if os.path.isfile(RELEASE_EXE) else os.path.join(WIN64, "yanqing.exe")


def session(name):
    return driver.Session(PROGRAM, os.path.join(WIN64, "tests", "e2e", "yq_probe.exe"),
                          "/tmp/yq-bench", name, native=NATIVE)


def run_harness(s, mode, *args):
    """Starts the program, then the harness beside it in the same session."""
    shutil.copy(os.path.join(WIN64, "tests", "bench", "ui", "yq_ui_bench.exe"),
                os.path.join(s.program_dir, "yq_ui_bench.exe"))
    s.start()
    # Output goes to a file: Wine's helper processes inherit a pipe and keep it
    # open long after the harness ends.
    log = os.path.join(s.tmp, mode + ".log")
    with open(log, "wb") as f:
        rc = subprocess.run(s.in_netns([driver.WINE, os.path.join(s.program_dir, "yq_ui_bench.exe"),
                                        mode] + list(args), s.program_dir), cwd=s.program_dir, env=s.env, stdout=f,
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


def hostile_pictures(folder):
    """Picture files that claim or decode to 4096 x 4096, and one container
    that inflates without end (already packed: its name ends in .zt)."""
    import struct
    files = []
    bmp = os.path.join(folder, "claim.bmp")
    driver.write_bmp(bmp, 4, 4, lambda x, y: (0, 0, 0))
    with open(bmp, "r+b") as f:
        f.seek(18)
        f.write(struct.pack("<ii", 4096, 4096))
    files.append(bmp)
    gif = os.path.join(folder, "screen.gif")  # a 4096 x 4096 screen holding a 1 x 1 frame
    with open(gif, "wb") as f:
        f.write(b"GIF89a" + struct.pack("<HH", 4096, 4096) + bytes([0x80, 0, 0]) + bytes(6)
                + b"\x2c" + struct.pack("<HHHH", 0, 0, 1, 1) + b"\x00\x02\x02\x44\x01\x00\x3b")
    files.append(gif)
    jpeg = os.path.join(folder, "big.jpg")  # a real one, flat, so it stays small
    subprocess.run(["convert", "-size", "4096x4096", "xc:#808080", "-quality", "50", jpeg],
                   check=True)
    files.append(jpeg)
    png = os.path.join(folder, "big.png")
    subprocess.run(["convert", "-size", "4096x4096", "xc:#808080", png], check=True)
    with open(png, "rb") as f:
        data = f.read()
    ico = os.path.join(folder, "big.ico")  # its only entry is that PNG
    with open(ico, "wb") as f:
        f.write(struct.pack("<HHHBBBBHHII", 0, 1, 1, 0, 0, 0, 0, 1, 32, len(data), 22) + data)
    files.append(ico)
    bomb = os.path.join(folder, "bomb.zt")
    subprocess.run(["/usr/bin/python3", os.path.join(ROOT, "tests", "e2e", "make_bomb.py"), bomb,
                    "2048"], check=True)
    files.append(bomb)
    return files


def peak_working_set(pid):
    """The process's peak resident size in bytes (Linux VmHWM: a Wine
    process is a Linux process)."""
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) * 1024
    return 0


def picture_memory():
    pages = 20
    peaks = {}
    for kind in ("ordinary", "hostile"):
        with session("picture-memory-" + kind) as s:
            if kind == "ordinary":
                pictures = []
                for i in range(5):
                    rng = random.Random(i)
                    path = os.path.join(s.tmp, "row%d.bmp" % i)
                    driver.write_bmp(path, 300, 36, lambda x, y: (rng.randrange(256),) * 3)
                    pictures.append(path)
            else:
                pictures = hostile_pictures(s.tmp)
            layout = [("dl", "中文字体", "图"), ("table", "图")]
            layout += [("row", "图", "字体%03d" % i, pictures[i % len(pictures)], "k%03d" % i)
                       for i in range(pages * 5)]
            driver.make_catalogue(NATIVE, layout, s.file("ztdata.mdb"))
            s.start()
            indicator = lambda: s.control("标签1")["text"]
            driver.wait_for(lambda: indicator() == "1/%d" % pages, 60, what="the catalogue")
            button = s.control("图形按钮7")
            for page in range(2, pages + 1):
                s.click(button["cx"] + 30, button["cy"] + 12)
                driver.wait_for(lambda: indicator() == "%d/%d" % (page, pages), 60,
                                what="page %d" % page)
            s.screenshot("last-page")
            peaks[kind] = peak_working_set(s.app.pid)
            print("%-8s pictures: peak working set %.1f MB after %d pages"
                  % (kind, peaks[kind] / 1e6, pages))
    ratio = peaks["hostile"] / peaks["ordinary"]
    print("hostile / ordinary: %.2fx (target: at most 1.5x)" % ratio)
    return 0 if ratio <= 1.5 else 1


def bench_fonts(s, count, registered):
    """Fonts BenchFace00001.ttf ... in the Fonts folder, the first `registered`
    of them the only ones in the fonts key; and a catalogue of one entry."""
    driver.make_catalogue(NATIVE, [("dl", "中文字体", "类"), ("table", "类"),
                                   ("row", "类", "字体", "-", "k")], s.file("ztdata.mdb"))
    fonts = s.drive_c("windows", "Fonts")
    subprocess.run(["/usr/bin/python3", os.path.join(ROOT, "tests", "win", "fonts",
                                                     "make_test_fonts.py"), "--bench", str(count),
                    fonts], check=True)
    lines = ["Windows Registry Editor Version 5.00", "",
             "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts]"]
    lines += ['"BenchFace%05d (TrueType)"="BenchFace%05d.ttf"' % (i, i)
              for i in range(1, registered + 1)]
    reg = os.path.join(s.tmp, "bench.reg")
    with open(reg, "w", encoding="utf-16") as f:
        f.write("\r\n".join(lines) + "\r\n")
    subprocess.run(s.in_netns([driver.WINE, "reg", "delete",
                               r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts",
                               "/va", "/f"]), env=s.env, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(s.in_netns([driver.WINE, "regedit", "/S", "Z:" + reg.replace("/", "\\")]),
                   env=s.env, check=True)


def search_keys():
    rc = 0
    for count in (2000, 10000):
        with session("search-keys-%d" % count) as s:
            bench_fonts(s, count, count)
            rc |= run_harness(s, "search-keys")
    return rc


def batch_uninstall():
    with session("batch-uninstall") as s:
        # Two batches of 500 (the harness registers the second) and 500 more
        # for the bare loop.
        bench_fonts(s, 1500, 500)
        bin_dir = os.path.join(s.tmp, "bare-bin")
        os.makedirs(bin_dir)
        return run_harness(s, "batch-uninstall", "Z:" + bin_dir.replace("/", "\\") + "\\",
                           "500")


def folder_listing():
    with session("folder-listing") as s:
        driver.make_catalogue(NATIVE, [("dl", "中文字体", "类"), ("table", "类"),
                                       ("row", "类", "字体", "-", "k")], s.file("ztdata.mdb"))
        source = os.path.join(s.tmp, "downloads")
        subprocess.run(["/usr/bin/python3", os.path.join(ROOT, "tests", "win", "fonts",
                                                         "make_test_fonts.py"), "--bench", "2000",
                        source], check=True)
        return run_harness(s, "folder-listing", "Z:" + source.replace("/", "\\") + "\\", "2000")


def backup():
    with session("backup") as s:
        bench_fonts(s, 2000, 2000)
        bare = os.path.join(s.tmp, "bare-copies")
        os.makedirs(bare)
        return run_harness(s, "backup", "Z:" + bare.replace("/", "\\") + "\\", "2000")


def catalogue_update():
    with session("catalogue-update") as s:
        driver.make_catalogue(NATIVE, [("dl", "中文字体", "旧"), ("table", "旧"),
                                       ("row", "旧", "字体", "-", "k")], s.file("ztdata.mdb"))
        s.set_setting("bbh", "1.5")
        # 64 pictures of noise, each about 4 KB, taken in turn: a repeat is
        # too far back for the packer's window, so the packed file stays
        # about as large as the database, as a real catalogue's does.
        rng = random.Random(11)
        pictures = []
        for k in range(64):
            pictures.append(os.path.join(s.tmp, "picture%02d.bmp" % k))
            driver.write_bmp(pictures[-1], 40, 33, lambda x, y: (
                rng.randrange(256), rng.randrange(256), rng.randrange(256)))
        published = os.path.join(s.tmp, "published")
        os.makedirs(published)
        layout = [("dl", "中文字体", "大类"), ("table", "大类")]
        layout += [("row", "大类", "字体%05d" % i, pictures[i % 64], "k%05d" % i)
                   for i in range(10000)]
        database = driver.make_catalogue(NATIVE, layout, os.path.join(published, "ztdata.mdb"))
        subprocess.run([os.path.join(NATIVE, "server", "yanqing-server"), "pack", database,
                        os.path.join(published, "ztysb.data")], check=True)
        with open(os.path.join(published, "ztpz.txt"), "wb") as f:
            f.write(b"1.7")
        with open(os.path.join(published, "My.txt"), "wb") as f:
            f.write(("主程序版本:" + driver.VERSION).encode("gbk"))
        s.serve(published, current=False)
        bare = os.path.join(s.tmp, "bare.data")
        return run_harness(s, "catalogue-update", "http://127.0.0.1:%d/ztysb.data"
                           % driver.SERVER_PORT, "Z:" + bare.replace("/", "\\"))


def text_preview():
    import urllib.parse
    with session("text-preview") as s:
        out, _, rows = driver.build_font_catalogue(s.tmp, NATIVE, {"预览": ["YqBench %d" % i
                                                                          for i in range(5)]})
        shutil.copy(os.path.join(out, "ztdata.mdb"), s.file("ztdata.mdb"))
        s.serve(out)
        quote = lambda text: urllib.parse.quote(text.encode("gbk"), safe="-._~")
        url = ("http://127.0.0.1:%d/text.php?msg=%s&rot=15&size=30&font=fonts/%s.ttf"
               % (driver.SERVER_PORT, quote("预览文字"), quote(rows["预览"][0])))
        return run_harness(s, "text-preview", url)


def frame_paint():
    with session("frame-paint") as s:
        driver.make_catalogue(NATIVE, [("dl", "中文字体", "类"), ("table", "类"),
                                       ("row", "类", "字体", "-", "k")], s.file("ztdata.mdb"))
        return run_harness(s, "frame-paint")


if __name__ == "__main__":
    which = sys.argv[1] if len(sys.argv) > 1 else "all"
    print("program: %s" % os.path.relpath(PROGRAM, ROOT))
    rc = 0
    if which in ("page-load", "all"):
        rc |= page_load()
    if which in ("download-latency", "all"):
        rc |= download_latency()
    if which in ("picture-memory", "all"):
        rc |= picture_memory()
    if which in ("search-keys", "all"):
        rc |= search_keys()
    if which in ("batch-uninstall", "all"):
        rc |= batch_uninstall()
    if which in ("folder-listing", "all"):
        rc |= folder_listing()
    if which in ("backup", "all"):
        rc |= backup()
    if which in ("catalogue-update", "all"):
        rc |= catalogue_update()
    if which in ("text-preview", "all"):
        rc |= text_preview()
    if which in ("frame-paint", "all"):
        rc |= frame_paint()
    sys.exit(rc)
