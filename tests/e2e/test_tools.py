"""The online tools: the preview of a catalogue font with the user's own text,
rendered by the server; and the font identification page."""
import os
import shutil
import signal
import subprocess
import threading
import time
import unittest
import urllib.parse

import driver

ARGS = driver.parse_args()
FACES = ["YqTool %d" % i for i in range(5)]
SIZE_BOX = "字体大小只能在6-30之间!"
FAILED = "远程读取失败!"
MiB = 1 << 20


class Tools(unittest.TestCase):
    def setUp(self):
        self.s = driver.Session(ARGS.exe, ARGS.probe, ARGS.artifacts, self.id().split(".")[-1],
                                native=ARGS.native)
        self.addCleanup(self.s.close)

    def start(self, *faults):
        s = self.s
        self.out, _, self.rows = driver.build_font_catalogue(s.tmp, ARGS.native, {"工具": FACES})
        shutil.copy(os.path.join(self.out, "ztdata.mdb"), s.file("ztdata.mdb"))
        s.serve(self.out, *faults)
        s.start()
        driver.wait_for(lambda: s.control("标签1")["text"] == "1/1", 60, what="the catalogue")

    def previews(self):
        """The program's /text.php requests so far, as (text, size, font) in
        GBK-decoded text, read back from the server's log."""
        self.s.server_log.flush()
        found = []
        with open(os.path.join(self.s.tmp, "server.log"), errors="replace") as f:
            for line in f:
                if '"GET /text.php?' not in line:
                    continue
                target = line.split('"GET ', 1)[1].split(" ", 1)[0]
                values = {}
                for pair in target.split("?", 1)[1].split("&"):
                    key, _, value = pair.partition("=")
                    values[key] = urllib.parse.unquote_to_bytes(value).decode("gbk")
                found.append((values["msg"], values["size"], values["font"]))
        return found

    def connections(self):
        """The program's open connections to the server."""
        out = subprocess.run(self.s.in_netns(["ss", "-Htn", "state", "established",
                                              "( dport = :%d )" % driver.SERVER_PORT]),
                             capture_output=True, text=True, check=True).stdout
        return len(out.splitlines())

    def label(self):
        c = self.s.control("标签14")
        return c["text"], c["picture"]

    def preview(self, row):
        self.s.click_control("图形按钮%d" % (17 + row))

    def test_preview_sends_what_was_typed_and_shows_the_picture(self):
        s = self.s
        self.start()
        text = "永和九年 #1+2%"
        s.type_into("编辑框4", text)
        s.type_into("编辑框5", "24")
        for row in range(1, 6):
            before = len(self.previews())
            self.preview(row)
            driver.wait_for(lambda: len(self.previews()) == before + 1, 20, what="the request")
            self.assertEqual(self.previews()[-1],
                             (text, "24", "fonts/%s.ttf" % self.rows["工具"][row - 1]))
            caption, (w, h) = driver.wait_for(lambda: self.label()[1][0] and self.label(), 20,
                                              what="the picture")
            self.assertEqual(caption, "")
            self.assertGreater(w, 20)
            self.assertGreater(h, 10)
        s.screenshot("preview")
        shown = self.label()

        # An "&" anywhere: nothing is fetched, the label stays as it was.
        s.type_into("编辑框4", "a&b")
        count = len(self.previews())
        self.preview(1)
        time.sleep(2)
        self.assertEqual(len(self.previews()), count)
        self.assertEqual(self.label(), shown)
        self.assertEqual(s.message_boxes(), [])

        # Sizes outside 6..30 or not numbers ask; the others go as typed.
        s.type_into("编辑框4", "字")
        for size in ("5", "31", "abc", ""):
            s.type_into("编辑框5", size)
            self.preview(2)
            box = driver.wait_for(lambda: next((b for b in s.message_boxes()
                                                if b["text"] == SIZE_BOX), None), 10,
                                  what="the size box for %r" % size)
            s.answer_box(box["title"])
        self.assertEqual(len(self.previews()), count)
        for size in ("6", "30", "１２"):
            s.type_into("编辑框5", size)
            self.preview(2)
            driver.wait_for(lambda: self.previews()[-1][1] == size, 20, what="size %r" % size)

    def test_the_window_repaints_while_a_slow_preview_waits(self):
        s = self.s
        self.start("slow=40@/text.php")  # the small picture takes a few seconds
        _, _, w, _ = s.refresh_geometry()
        s.move(w - 148 + 12, 12)  # a caption button's hover: the last paint is a small one
        time.sleep(0.5)
        self.preview(1)
        driver.wait_for(lambda: len(self.previews()) or True, 1)
        # Covered and shown again meanwhile, the window paints at once.
        took = int(s.probe("repaint", 1500))
        self.assertFalse(self.label()[1][0], "the picture came before the repaint was asked")
        self.assertGreaterEqual(took, 0, "no repaint while the preview waited")
        driver.wait_for(lambda: self.label()[1][0], 30, what="the picture")

    def test_a_server_that_stalls_or_is_gone_gives_the_failure_caption(self):
        s = self.s
        self.start()
        self.preview(1)
        driver.wait_for(lambda: self.label()[1][0], 20, what="the picture")
        # A server that accepts the request and never answers: the bound.
        os.kill(s.server.pid, signal.SIGSTOP)
        try:
            started = time.time()
            self.preview(3)
            driver.wait_for(lambda: self.label() == (FAILED, [0, 0]), 30, what="the failure")
            self.assertLess(time.time() - started, 25)
            # Under Wine the request given up on is still waiting for its
            # answer. Another click waits for it, at most its own 15 s, and
            # then fails without a second request; the window answers again
            # after that (the tab click behind it shows its page).
            self.preview(4)
            s.click(9 + 76 + 38, 55)
            driver.wait_for(lambda: s.tree()["page_control"]["page"] == 0, 40,
                            what="the window to answer")
            self.assertEqual(self.label(), (FAILED, [0, 0]))
        finally:
            os.kill(s.server.pid, signal.SIGCONT)
        driver.wait_for(lambda: len(self.previews()) == 2, 20, what="the stalled request")
        time.sleep(2)
        self.assertEqual(len(self.previews()), 2)  # one request while the server stalled
        s.click(9 + 38, 55)
        driver.wait_for(lambda: s.tree()["page_control"]["page"] == 1, 10, what="the catalogue")
        self.preview(2)
        driver.wait_for(lambda: self.label()[1][0], 20, what="the picture again")
        s.stop_server()
        self.preview(1)
        driver.wait_for(lambda: self.label() == (FAILED, [0, 0]), 30, what="the failure")
        s.screenshot("failed")

    def test_an_endless_answer_is_cut_off_at_once_one_request_at_a_time(self):
        s = self.s
        self.start("endless@/text.php")
        # Idle beside it: the program waiting, for as long as the clicks take.
        since = s.reset_peak()
        time.sleep(10)
        idle = s.memory_rise(since)

        # The highest number of the program's connections to the server at
        # any moment, seen every 50 ms while the previews run.
        most, watching = [0], [True]

        def watch():
            while watching[0]:
                most[0] = max(most[0], self.connections())
                time.sleep(0.05)
        watcher = threading.Thread(target=watch)
        watcher.start()
        try:
            since = s.reset_peak()
            started = time.monotonic()
            self.preview(1)
            driver.wait_for(lambda: self.label() == (FAILED, [0, 0]), 16, what="the failure")
            first = time.monotonic() - started
            for k in range(9):
                self.preview(1 + (k + 1) % 5)
            driver.wait_for(lambda: len(self.previews()) == 10 and self.connections() == 0, 60,
                            what="ten requests, each ended")
            rise, took = s.memory_rise(since), time.monotonic() - started
        finally:
            watching[0] = False
            watcher.join()
        print("\nmemory, x64 build, rise above the start: idle 10.0 s: peak %s, private %s | "
              "ten endless previews %.1f s: peak %s, private %s (bound: private within 16 MiB); "
              "first failure after %.1f s; at most %d request at once; "
              "GetProcessMemoryInfo after: %s" % (
                  driver.mib(idle["peak"]), driver.mib(idle["private"]), took,
                  driver.mib(rise["peak"]), driver.mib(rise["private"]), first, most[0],
                  s.windows_memory()), flush=True)
        self.assertLess(first, 16)
        self.assertLessEqual(most[0], 1)
        self.assertLess(abs(rise["private"]), 16 * MiB)
        self.assertEqual(self.label(), (FAILED, [0, 0]))
        self.assertTrue(s.running())

    def web_pages(self):
        return [w["hwnd"] for w in self.s.probe("windows") if w["class"] == "YqWebPage"]

    def identify_requests(self):
        self.s.server_log.flush()
        with open(os.path.join(self.s.tmp, "server.log"), errors="replace") as f:
            return sum(1 for line in f if '"GET /identify/ ' in line)

    def test_identify_opens_the_site_and_shows_the_reused_window(self):
        s = self.s
        self.start()
        self.assertEqual(self.web_pages(), [])
        s.click_control("图形按钮26")
        # Wine fetches the start page but has no engine to show it: the
        # window is shown once the wait for the page is over.
        driver.wait_for(lambda: self.identify_requests() == 1, 20, what="the start page request")
        first = driver.wait_for(lambda: self.web_pages(), 20, what="the web page window")
        s.screenshot("identify")
        # Its close button hides it; the next click shows the same window
        # after a new request.
        s.probe("close_window", "YqWebPage")
        driver.wait_for(lambda: not self.web_pages(), 10, what="the window hidden")
        s.click_control("图形按钮26")
        driver.wait_for(lambda: self.identify_requests() == 2, 20, what="a second request")
        self.assertEqual(driver.wait_for(lambda: self.web_pages(), 20, what="the window again"),
                         first)
        self.assertEqual(s.control("标签1")["text"], "1/1")


if __name__ == "__main__":
    unittest.main(verbosity=2)
