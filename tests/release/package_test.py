#!/usr/bin/env python3
"""The release zip, as a user's archiver reads it.

usage: package_test.py MAKE_PACKAGE EXE VERSION ARCH
"""
import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

PACKER, EXE, VERSION, ARCH = sys.argv[1:5]
ZIP_NAME = "yanqing-%s-%s.zip" % (VERSION, ARCH)
NAMES = ["yanqing.exe", "使用说明.txt", "licenses/zlib.txt", "licenses/mingw-w64.txt",
         "licenses/gcc-runtime.txt"]
# A sentence each notice must carry: the licence itself, not just a name.
LICENCE_WORDS = {
    "licenses/zlib.txt": ["Jean-loup Gailly and Mark Adler",
                          "Permission is granted to anyone to use this software"],
    "licenses/mingw-w64.txt": ["Files: mingw-w64-libraries/winpthreads/*",
                               "Permission is hereby granted, free of charge"],
    "licenses/gcc-runtime.txt": ["GCC RUNTIME LIBRARY EXCEPTION", "libstdc++-v3"],
}


def make(folder, *extra):
    out = os.path.join(folder, ZIP_NAME)
    run = subprocess.run([sys.executable, PACKER, "--exe", EXE, "--version", VERSION, "--arch",
                          ARCH, "--out", out, *extra], capture_output=True, text=True)
    return run, out


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        run, cls.zip = make(cls.tmp.name)
        assert run.returncode == 0, run.stderr
        with open(cls.zip, "rb") as f:
            cls.bytes = f.read()

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_made_again_elsewhere_it_is_the_same_bytes_and_its_sum_checks(self):
        with tempfile.TemporaryDirectory() as other:
            run, again = make(other)
            self.assertEqual(run.returncode, 0, run.stderr)
            with open(again, "rb") as f:
                self.assertEqual(f.read(), self.bytes)
        check = subprocess.run(["sha256sum", "-c", ZIP_NAME + ".sha256"], cwd=self.tmp.name,
                               capture_output=True, text=True)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        self.assertEqual(check.stdout, ZIP_NAME + ": OK\n")
        test = subprocess.run(["unzip", "-tq", self.zip], capture_output=True, text=True)
        self.assertEqual(test.returncode, 0, test.stdout + test.stderr)

    def test_entries_have_gbk_names_one_fixed_time_and_no_extra_fields(self):
        with zipfile.ZipFile(self.zip, metadata_encoding="gbk") as z:
            infos = z.infolist()
            self.assertEqual([i.filename for i in infos], NAMES)
            for i in infos:
                self.assertEqual((i.flag_bits, i.extra, i.comment, i.date_time),
                                 (0, b"", b"", (1980, 2, 1, 0, 0, 0)), i.filename)
                self.assertEqual(i.compress_type, zipfile.ZIP_DEFLATED, i.filename)
            self.assertEqual(infos[1].orig_filename.encode("gbk"), b"\xca\xb9\xd3\xc3\xcb\xb5"
                             b"\xc3\xf7.txt")
            self.assertIsNone(z.testzip())
            with open(EXE, "rb") as f:
                self.assertEqual(z.read("yanqing.exe"), f.read())

    def test_texts_are_for_notepad_and_notices_hold_their_licences(self):
        with zipfile.ZipFile(self.zip, metadata_encoding="gbk") as z:
            texts = {n: z.read(n) for n in NAMES[1:]}
        for name, data in texts.items():
            self.assertNotIn(b"\n", data.replace(b"\r\n", b""), name)
        readme = texts["使用说明.txt"].decode("gbk")  # strict: every byte is GBK
        self.assertTrue(readme.startswith("砚青 %s 使用说明\r\n" % VERSION), readme[:40])
        self.assertIn("yanqing-%s-win64.zip" % VERSION, readme)
        self.assertNotIn("@", readme)
        for name, words in LICENCE_WORDS.items():
            self.assertTrue(texts[name].startswith(b"\xef\xbb\xbf"), name)
            text = texts[name].decode("utf-8")
            for w in words:
                self.assertIn(w, text, name)
        debian_arch = {"win64": "x86-64", "win32": "i686"}[ARCH]
        self.assertIn("mingw-w64-%s-dev" % debian_arch, texts["licenses/mingw-w64.txt"].decode())

    def test_a_missing_licence_text_makes_no_package(self):
        with tempfile.TemporaryDirectory() as other:
            run, out = make(other, "--doc-root", os.path.join(other, "no-doc"))
            self.assertEqual(run.returncode, 1)
            self.assertIn("no-doc/libz-mingw-w64-dev/copyright", run.stderr)
            self.assertEqual(os.listdir(other), [])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
