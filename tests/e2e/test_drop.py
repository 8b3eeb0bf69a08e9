"""Fonts dropped on the window from another program, as Explorer drops
them (a data object with CF_HDROP through DoDragDrop): loose files, a
folder searched below, and a .zip pack, installed through the program's
own install; a pack's hostile entries are refused and named, and nothing
is written anywhere but the Fonts folder."""
import hashlib
import os
import shutil
import struct
import subprocess
import unittest
import zipfile

import driver

ARGS = driver.parse_args()
FONTS_KEY = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts"
SYSTEM_TAB = (9 + 76 + 38, 55)
FACES = ["YqDrop A", "YqDrop B", "YqDrop C", "YqDrop D", "YqDrop E", "YqDrop F", "YqDrop G",
         "YqDrop Evil"]


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def files_under(root):
    return {os.path.join(folder, n) for folder, _, names in os.walk(root) for n in names
            if not os.path.islink(os.path.join(folder, n))}


def claim_size(pack, entry, size):
    """Makes the pack's directory and local header claim `size` bytes for
    `entry` (what a bomb or a cut download looks like)."""
    with open(pack, "rb") as f:
        data = bytearray(f.read())
    at = 0
    while True:
        at = data.find(b"PK\x01\x02", at)
        if at < 0:
            break
        n = struct.unpack_from("<H", data, at + 28)[0]
        if data[at + 46:at + 46 + n] == entry.encode():
            struct.pack_into("<I", data, at + 24, size)
            local = struct.unpack_from("<I", data, at + 42)[0]
            struct.pack_into("<I", data, local + 22, size)
        at += 4
    with open(pack, "wb") as f:
        f.write(bytes(data))


class Drop(unittest.TestCase):
    def setUp(self):
        self.s = driver.Session(ARGS.exe, ARGS.probe, ARGS.artifacts, self.id().split(".")[-1],
                                native=ARGS.native)
        self.addCleanup(self.s.close)

    def test_files_a_folder_and_a_pack_install_and_hostile_entries_are_refused(self):
        s = self.s
        made = os.path.join(s.tmp, "made")
        subprocess.run(["/usr/bin/python3", os.path.join(driver.HERE, "make_fonts.py"),
                        driver.DEJAVU + "DejaVuSans.ttf", made] + FACES, check=True)
        font = [os.path.join(made, "%02d.ttf" % i) for i in range(len(FACES))]
        drop = os.path.join(s.tmp, "拖入")
        folder = os.path.join(drop, "字体文件夹")
        os.makedirs(os.path.join(folder, "简体", "更深"))
        # What lands in the Fonts folder, and from which made font (names
        # and faces lose their blanks, as every install's do).
        expected = {"a.ttf": font[0], "b字体.ttf": font[1], "x.ttf": font[2],
                    "y.OTF": font[3], "z.ttf": font[4], "e.ttf": font[5], "f.ttf": font[6]}
        shutil.copy(font[0], os.path.join(drop, "a.ttf"))
        shutil.copy(font[1], os.path.join(drop, "b 字体.ttf"))
        shutil.copy(font[2], os.path.join(folder, "x.ttf"))
        shutil.copy(font[3], os.path.join(folder, "简体", "y.OTF"))
        shutil.copy(font[4], os.path.join(folder, "简体", "更深", "z.ttf"))
        with open(os.path.join(folder, "说明.txt"), "w") as f:
            f.write("not a font")
        pack = os.path.join(drop, "字体包.zip")
        with zipfile.ZipFile(pack, "w", zipfile.ZIP_DEFLATED) as z:
            z.write(font[5], "字体/e.ttf")  # a UTF-8 name (the zip flag)
            z.write(font[6], "f.ttf")
            z.write(font[7], "../evil.ttf")
            z.writestr("big.ttf", b"\0" * 4096)
            z.writestr("readme.txt", "hello")
        claim_size(pack, "big.ttf", 1 << 30)

        s.start()
        driver.wait_started_without_catalogue(s)
        s.click(*SYSTEM_TAB)
        driver.wait_for(lambda: s.grid("系统字体表格"), 20, what="the installed fonts")
        fonts_dir = s.drive_c("windows", "Fonts")
        before_files = files_under(s.drive_c()) | files_under(s.program_dir)
        before_values = s.reg_values(FONTS_KEY)

        dropped = [s_path for s_path in ("Z:" + p.replace("/", "\\") for p in
                   (os.path.join(drop, "a.ttf"), os.path.join(drop, "b 字体.ttf"), folder, pack))]
        answer = s.probe("drop", "系统字体表格", *dropped)
        self.assertEqual(answer["effect"], 1, answer)  # DROPEFFECT_COPY: the window took it
        box = driver.wait_for(lambda: next(iter(s.message_boxes()), None), 60,
                              what="the drop's summary")
        s.screenshot("summary")
        text = box["text"]
        self.assertEqual(text, "已安装7个字体。\n2个未安装:"
                         "\n字体包.zip 中的 ../evil.ttf(路径指向压缩包之外)"
                         "\n字体包.zip 中的 big.ttf(文件过大)")
        # 说明.txt (in the folder) and readme.txt (in the pack) are passed over.
        s.answer_box(box["title"])

        # The grid lists the new faces.
        driver.wait_for(lambda: set(FACES[:7]) <= {r[1] for r in s.grid("系统字体表格")} |
                        {r[4] for r in s.grid("系统字体表格")}, 20, what="the new faces listed")
        s.stop_program()
        after_values = s.reg_values(FONTS_KEY)
        for face, (name, source) in zip(FACES, expected.items()):
            self.assertEqual(after_values.get(face.replace(" ", "") + " (TrueType)"), name)
            self.assertEqual(digest(os.path.join(fonts_dir, name)), digest(source), name)
        new_values = {k for k, v in after_values.items() if before_values.get(k) != v}
        self.assertEqual(new_values, {f.replace(" ", "") + " (TrueType)" for f in FACES[:7]})

        # Nothing new anywhere but the seven fonts and the program's own
        # records; the hostile font's bytes are nowhere.
        new = (files_under(s.drive_c()) | files_under(s.program_dir)) - before_files
        stray = sorted(p for p in new if os.path.dirname(p) != fonts_dir and
                       p not in (s.file("已装字体记录.dat"), s.file("字体名缓存.dat")))
        self.assertEqual(stray, [])
        self.assertEqual(sorted(os.path.basename(p) for p in new
                                if os.path.dirname(p) == fonts_dir), sorted(expected))
        evil = digest(font[7])
        self.assertEqual([p for p in files_under(s.drive_c()) | files_under(s.program_dir)
                          if os.path.getsize(p) == os.path.getsize(font[7]) and
                          digest(p) == evil], [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
