"""A catalogue published behind nginx, as server/deploy/ sets it up: nginx
sends the static files and passes the preview and the identification page
to two renderers. Through it the program takes the new catalogue, installs
a font and shows previews, and what nginx sent it is what it needs."""
import os
import re
import shutil
import subprocess
import unittest

import driver

ARGS = driver.parse_args()
OFFER = "服务器上有新的字库版本,是否更新字库?"
INSTALLED = "数据库安装成功,已自动刷新!"
FACES = ["YqNginx A", "YqNginx B", "YqNginx C"]
FONTS_KEY = r"HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts"
# One access log line of tests/support/nginx_site.py's format.
LINE = re.compile(r'^\S+ "(\S+) (\S+) [^"]*" (\d+) (\d+) range="([^"]*)" upstream="([^"]*)" '
                  r'type="([^"]*)" length=(\S+) encoding=(\S+) transfer=(\S+) agent="([^"]*)"$')


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Nginx(unittest.TestCase):
    def setUp(self):
        self.s = driver.Session(ARGS.exe, ARGS.probe, ARGS.artifacts, self.id().split(".")[-1],
                                native=ARGS.native)
        self.addCleanup(self.s.close)

    def program_requests(self):
        """nginx's log lines of the program's requests (curl's are left out),
        as dicts."""
        found = []
        with open(self.s.nginx_log, errors="replace") as f:
            for line in f:
                m = LINE.match(line.rstrip("\n"))
                self.assertTrue(m, line)
                keys = ("method", "target", "status", "bytes", "range", "upstream", "type",
                        "length", "encoding", "transfer", "agent")
                r = dict(zip(keys, m.groups()))
                if not r["agent"].startswith("curl/"):
                    found.append(r)
        return found

    def answered(self, path):
        return [r for r in self.program_requests() if r["target"].split("?")[0] == path]

    def preview_shown(self, width_not=None):
        c = self.s.control("标签14")
        w, h = c["picture"]
        return c["text"] == "" and w > 20 and h > 10 and w != width_not and w

    def curl(self, path, *options):
        """Status, headers (lower-case names) and body of one request."""
        out = subprocess.run(self.s.in_netns(["curl", "-s", "--path-as-is", "-D", "-", *options,
                                              "http://127.0.0.1:%d%s" % (driver.SERVER_PORT,
                                                                         path)]),
                             capture_output=True, check=True).stdout
        head, _, body = out.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        headers = dict((k.strip().lower(), v.strip()) for k, _, v in
                       (l.partition(":") for l in lines[1:]))
        return int(lines[0].split()[1]), headers, body

    def test_update_download_and_preview_through_nginx_in_front_of_two_renderers(self):
        s = self.s
        old, _, _ = driver.build_font_catalogue(s.tmp, ARGS.native, {"旧类": ["YqOld A"]},
                                                version="1.5", name="old")
        shutil.copy(os.path.join(old, "ztdata.mdb"), s.file("ztdata.mdb"))
        s.set_setting("bbh", "1.5")
        new, fonts, rows = driver.build_font_catalogue(s.tmp, ARGS.native, {"新类": FACES},
                                                       version="1.7", name="new")
        s.serve_behind_nginx(new, renderers=2, current=False)
        s.start()

        # The update: offered from /ztpz.txt, /ztysb.data downloaded and installed.
        seen = set()
        self.assertEqual(s.answer_next_box(seen, 60)["text"], OFFER)
        box = driver.wait_for(lambda: next((b for b in s.message_boxes()
                                            if b["hwnd"] not in seen), None), 60,
                              what="the install")
        self.assertEqual(box["text"], INSTALLED, s.logs_tail())
        s.answer_box(box["title"])
        self.assertEqual(read(s.file("ztdata.mdb")), read(os.path.join(new, "ztdata.mdb")))
        self.assertEqual(s.settings()["bbh"], "1.7")
        status = driver.wait_for(lambda: "字库版本号:1.7" in s.probe("status") and
                                 s.probe("status"), 30, what="the new version in the status line")
        self.assertIn("连接服务器成功!", status)
        driver.wait_for(lambda: s.control("标签1")["text"] == "1/1", 20, what="the new catalogue")

        # One font: the install button of the first row.
        face = rows["新类"][0]
        listing = s.control("前台画板")
        s.click(listing["cx"] + 690, listing["cy"] + 20)
        stripped = face.replace(" ", "")
        driver.wait_for(lambda: s.reg_query(FONTS_KEY, stripped + " (TrueType)") ==
                        stripped + ".ttf", 60, what=face + " installed")
        self.assertEqual(read(s.drive_c("windows", "Fonts", stripped + ".ttf")),
                         read(fonts[face][1]))

        # One preview, drawn by a renderer.
        s.click_control("图形按钮18")
        width = driver.wait_for(self.preview_shown, 30, what="the preview picture")
        s.screenshot("preview")
        # With one renderer stopped, nginx takes the other: of two previews
        # in turn, one is sure to be sent to the stopped renderer first.
        s.renderers[0].terminate()
        s.renderers[0].wait(timeout=20)
        # (ASCII texts: xdotool types them in order with the clicks, where a
        # paste through the clipboard could come after the click.)
        for text in ("Yonghe jiu nian", "Mu chun"):
            asked = len(self.answered("/text.php"))
            s.type_into("编辑框4", text)
            s.click_control("图形按钮18")
            driver.wait_for(lambda: len(self.answered("/text.php")) == asked + 1, 30,
                            what="the preview of %s" % text)
            target = self.answered("/text.php")[-1]["target"]
            self.assertIn("?msg=%s&" % text.replace(" ", "%20"), target)
            width = driver.wait_for(lambda: self.preview_shown(width_not=width), 30,
                                    what="the picture of %s" % text)
        stopped, running = ["127.0.0.1:%d" % (driver.SERVER_PORT + i) for i in (1, 2)]
        self.assertIn("%s, %s" % (stopped, running),
                      [r["upstream"] for r in self.answered("/text.php")])
        s.click_control("图形按钮26")
        driver.wait_for(lambda: self.answered("/identify/"), 30, what="the identification page")

        # What nginx sent the program: every answer whole, with its length,
        # never compressed or chunked (the font download asks for gzip, and
        # the main configuration would give it), the right types, and the
        # static files from nginx itself.
        requests = self.program_requests()
        expected = {"/ztpz.txt": "text/plain", "/My.txt": "text/plain",
                    "/ztysb.data": "application/octet-stream",
                    "/ztwjj/%s.tmp" % fonts[face][0]: "application/octet-stream",
                    "/text.php": "image/png", "/identify/": "text/html; charset=gbk"}
        for path, kind in expected.items():
            answers = self.answered(path)
            self.assertTrue(answers, path)
            for r in answers:
                self.assertEqual((r["status"], r["type"], r["encoding"], r["transfer"]),
                                 ("200", kind, "-", "-"), r)
                self.assertEqual(r["length"], r["bytes"], r)
                proxied = path in ("/text.php", "/identify/")
                self.assertEqual(r["upstream"] != "-", proxied, r)
        self.assertEqual(int(self.answered("/ztysb.data")[0]["bytes"]),
                         os.path.getsize(os.path.join(new, "ztysb.data")))
        self.assertEqual(len(self.answered("/text.php")), 3)
        self.assertEqual([r for r in requests if r["status"] != "200"], [])

        # The renderers saw the paths nginx passes on, and nothing else.
        targets = []
        for log in s.renderer_logs:
            with open(log, errors="replace") as f:
                targets += re.findall(r'"[A-Z]+ (\S+) HTTP/[0-9.]+"', f.read())
        self.assertEqual(len([t for t in targets if t.startswith("/text.php?")]), 3, targets)
        self.assertTrue(all(t.startswith(("/text.php?", "/identify/")) for t in targets),
                        targets)

        # A resumed font download's range, and the folder's private files.
        key = "/ztwjj/%s.tmp" % fonts[face][0]
        packed = read(os.path.join(new, "ztwjj", fonts[face][0] + ".tmp"))
        status, headers, body = self.curl(key, "-H", "Range:bytes=4096-")
        self.assertEqual((status, headers["content-range"], body),
                         (206, "bytes 4096-%d/%d" % (len(packed) - 1, len(packed)), packed[4096:]))
        for private in ("/catalogue.tsv", "/ztdata.mdb", "/ztwjj/../ztdata.mdb", "/"):
            self.assertEqual(self.curl(private)[0], 404, private)


if __name__ == "__main__":
    unittest.main(verbosity=2)
