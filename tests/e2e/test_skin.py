"""The skinned frame and the skin picker: the nine skins and the 84 colours
picked from the popup under the skin button, saved, and shown again after a
restart; the frame's pictures where they belong, and the redraws of single
elements."""
import os
import subprocess
import time
import unittest

import driver

ARGS = driver.parse_args()
# Frame colours (COLORREF 0x00BBGGRR) of skins 1..9; skins 2 and 9 have black text.
FRAME = [0xDEA64D, 0xDCB36A, 0x2BB06F, 0xD7A162, 0xDD9B59, 0x7C5810, 0x7E7B75, 0x30507F, 0xA786F8]
ART = os.path.join(driver.ROOT, "resources", "skin")


def rgb(colorref):
    return (colorref & 0xFF, (colorref >> 8) & 0xFF, (colorref >> 16) & 0xFF)


class Picture:
    """One of the skin's pictures with its alpha: get(x, y) -> (r, g, b, a)."""

    def __init__(self, name):
        path = os.path.join(ART, name + ".png")
        size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True,
                              text=True, check=True).stdout.split()
        self.w, self.h = int(size[0]), int(size[1])
        self.data = subprocess.run(["convert", path, "-depth", "8", "rgba:-"], capture_output=True,
                                   check=True).stdout

    def get(self, x, y):
        i = (y * self.w + x) * 4
        return tuple(self.data[i:i + 4])


def over(ground, pixel):
    """pixel (r, g, b, a) laid over ground (r, g, b)."""
    a = pixel[3]
    return tuple((pixel[i] * a + ground[i] * (255 - a)) / 255 for i in range(3))


def near(a, b, tolerance=3):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def block_means(image, x0, y0, columns, rows, size=8):
    """Mean colours of size x size blocks, row by row, from (x0, y0)."""
    means = []
    for by in range(rows):
        for bx in range(columns):
            total = [0, 0, 0]
            for y in range(y0 + by * size, y0 + (by + 1) * size):
                for x in range(x0 + bx * size, x0 + (bx + 1) * size):
                    for i, v in enumerate(image.get(x, y)):
                        total[i] += v
            means.append([t / size / size for t in total])
    return means


def block_difference(a, b):
    """Mean and largest difference of two lists of block means, per channel."""
    d = [abs(x - y) for p, q in zip(a, b) for x, y in zip(p, q)]
    return sum(d) / len(d), max(d)


class Skin(unittest.TestCase):
    def setUp(self):
        self.s = driver.Session(ARGS.exe, ARGS.probe, ARGS.artifacts, self.id().split(".")[-1],
                                native=ARGS.native)
        self.addCleanup(self.s.close)

    def popups(self):
        return [w for w in self.s.probe("windows") if w["class"] == "YqSkinPopup"]

    def open_popup(self):
        s = self.s
        _, _, w, _ = s.refresh_geometry()
        s.move(w // 2, 300)
        s.click(w - 35 + 13, 80 + 11)
        driver.wait_for(self.popups, 10, what="the skin picker")

    def click_popup(self, x, y):
        """A click at popup client coordinates: the popup lies under the skin
        button, 223 pixels left of the window's right edge and 99 down."""
        _, _, w, _ = self.s.refresh_geometry()
        self.s.click(w - 223 + x, 99 + y)
        time.sleep(0.3)

    def repainted(self, name, frame_colour):
        """A screenshot once the bottom band (the status line's background,
        left of its text) shows `frame_colour`: a skin applied repaints the
        window when its turn comes."""
        def shot():
            image = self.s.image(name)
            return image.get(5, image.height - 10) == rgb(frame_colour) and image
        return driver.wait_for(shot, 10, what="the frame in %06X" % frame_colour)

    # The header between the tabs and the caption buttons, above the popup,
    # in 8 x 8 blocks: window (392, 25) to (584, 97).
    BLOCKS = (392, 25, 24, 9)

    def header_band(self, picture, width):
        """Rows 5..108 of header picture 0..7 (A..H) stretched to width x 103,
        as the frame draws it, one pixel left of and above the window's."""
        path = os.path.join(self.s.tmp, "band-%d.png" % picture)
        subprocess.run(["convert", os.path.join(ART, "header_%s.png" % "abcdefgh"[picture]),
                        "-crop", "840x103+0+5", "+repage", "-filter", "Box", "-resize",
                        "%dx103!" % width, "-depth", "8", path], check=True)
        return driver.Image(path)

    def header_pixel(self, image):
        return image.get(600, 20)

    @staticmethod
    def ink(image, x0, x1, y0, y1, black):
        """Pixels of a strip in near black (or near white): a caption's ink."""
        def inked(p):
            return all(v < 50 for v in p) if black else all(v > 235 for v in p)
        return sum(inked(image.get(x, y)) for x in range(x0, x1) for y in range(y0, y1))

    # Tab 3's caption (我的字体, not the selected tab) in window pixels.
    TAB3_CAPTION = (9 + 76 * 2 + 1, 9 + 76 * 3 + 1, 76, 93)

    def test_every_skin_and_a_colour_are_applied_saved_and_restored(self):
        s = self.s
        s.start()
        driver.wait_started_without_catalogue(s)
        self.open_popup()
        x0, y0, columns, rows = self.BLOCKS
        shown = []
        for n in range(1, 10):
            row, col = (n - 1) // 3, (n - 1) % 3
            self.click_popup(6 + 68 * col + 33, 33 + 43 * row + 21)
            driver.wait_for(lambda: s.settings().get("pf") == str(n), 10, what="pf %d" % n)
            self.assertEqual(s.settings()["lb"], "2")
            image = self.repainted("skin-%d" % n, FRAME[n - 1])
            self.assertTrue(self.popups(), "the popup stays open after a pick")
            # Tab captions in the skin's text colour: black on skins 2 and 9.
            self.assertGreater(self.ink(image, *self.TAB3_CAPTION, black=n in (2, 9)), 40,
                               "skin %d: tab 3's caption" % n)
            # The status text too, at once: not in the last skin's colour.
            self.assertGreater(self.ink(image, 5, 500, image.height - 21, image.height - 5,
                                        n in (2, 9)), 40, "skin %d: the status text" % n)
            # Skins 2..9 show the band of pictures A..H; each header differs
            # from the one before it.
            shown.append(block_means(image, x0, y0, columns, rows))
            if n >= 2:
                band = block_means(self.header_band(n - 2, image.width), x0 - 1, y0 - 1, columns,
                                   rows)
                mean, worst = block_difference(shown[-1], band)
                self.assertLess(mean, 1.5, "skin %d: its picture's band" % n)
                self.assertLess(worst, 16, "skin %d: its picture's band" % n)
                self.assertGreater(block_difference(shown[-1], shown[-2])[0], 12,
                                   "skins %d and %d look alike" % (n - 1, n))
        # Only the last pick wears the mark's frame (orange) on screen.
        image = s.image("marks")
        _, _, w, _ = s.refresh_geometry()
        framed = [image.get(w - 223 + 6 + 68 * ((n - 1) % 3), 99 + 33 + 43 * ((n - 1) // 3) + 20)
                  == (255, 140, 0) for n in range(1, 10)]
        self.assertEqual(framed, [False] * 8 + [True])
        # Picked again: nothing changes. Between thumbnails: the mark goes,
        # the skin stays.
        self.click_popup(6 + 68 * 2 + 33, 33 + 43 * 2 + 21)
        self.click_popup(6 + 67, 33 + 10)
        self.assertEqual(s.settings()["pf"], "9")

        # The colour page, cell (row 3, column 5): 0x7A8200 for header and frame.
        self.click_popup(45, 10)
        self.click_popup(6 + 17 * 4 + 8, 34 + 18 * 2 + 8)
        driver.wait_for(lambda: s.settings().get("lb") == "1", 10, what="lb 1")
        self.assertEqual(s.settings()["pf"], "9")
        image = self.repainted("colour-29", 0x7A8200)
        self.assertEqual(self.header_pixel(image), rgb(0x7A8200))
        # A press on a tab closes the popup and selects that tab.
        s.move(300, 300)
        s.click(9 + 76 + 38, 55)
        driver.wait_for(lambda: not self.popups(), 10, what="the popup to close")
        driver.wait_for(lambda: s.tree()["page_control"]["page"] == 0, 10, what="tab 2's page")
        # It reopens on the colour page with that cell marked.
        self.open_popup()
        self.assertEqual(s.probe("popup_state"), [2, 29])
        s.screenshot("reopened")

        # After a restart the saved picture skin is shown again.
        s.probe("close")
        driver.wait_for(lambda: not s.running(), 30, what="the program to end")
        s.start()
        driver.wait_started_without_catalogue(s)
        image = self.repainted("restarted", FRAME[8])
        # Skin 9's status text is black too.
        self.assertGreater(self.ink(image, 5, 500, image.height - 21, image.height - 5, True), 40,
                           "the status text of skin 9")

    def test_caption_buttons_fade_their_hover_in(self):
        s = self.s
        s.start()
        driver.wait_started_without_catalogue(s)
        _, _, w, _ = s.refresh_geometry()
        # A point of buttons 2 and 5 away from their glyphs, where the normal
        # face is clear; a caption button is put one row below its rectangle.
        face = (3, 3)
        corner = (w - 73 + face[0], 3 + 1 + face[1])
        menu_corner = (w - 148 + face[0], 3 + 1 + face[1])
        for name in ("caption_max_normal", "caption_menu_normal"):
            self.assertEqual(Picture(name).get(*face)[3], 0, name)
        s.move(500, 95)
        time.sleep(0.3)
        image = s.image("before-hover")
        before, menu_before = image.get(*corner), image.get(*menu_corner)
        s.move(w - 73 + 12, 12)
        # The first look that differs from before (the move and the first
        # tick of the fade may not have been handled when a look is taken):
        # the fade takes a second, far longer than a look.
        during = driver.wait_for(
            lambda: (lambda p: p if p != before else None)(s.image("hover-under-way").get(*corner)),
            10, interval=0, what="the fade to begin")
        time.sleep(1.2)
        after = s.image("hover-done").get(*corner)
        self.assertTrue(near(after, over(before, Picture("caption_max_hover").get(*face))),
                        (before, after))
        self.assertNotEqual(during, after, "the fade was over at once")
        # Button 5 shows its hover at once.
        s.move(w - 148 + 12, 12)
        shown = s.image("menu-button-hover").get(*menu_corner)
        self.assertTrue(near(shown, over(menu_before, Picture("caption_menu_hover").get(*face))),
                        (menu_before, shown))

    def test_frame_pictures_and_outlines_in_place_and_a_tab_hover_redraws_only_that_tab(self):
        s = self.s
        s.start()
        driver.wait_started_without_catalogue(s)
        s.move(300, 300)  # the page area: nothing of the frame is hovered
        time.sleep(0.3)
        image = s.image("frame")
        w, h = image.width, image.height
        # Every opaque pixel of the title icon, the skin button's icon and the
        # size grip where the frame puts them (frame (x, y) is window
        # (x + 1, y + 1)); the grip's clear pixels show the bottom band.
        for name, x0, y0 in (("title_icon", 10, 7), ("skin_icon", w - 28, 81),
                             ("size_grip", w - 13, h - 14)):
            pic = Picture(name)
            opaque = [(x, y) for y in range(pic.h) for x in range(pic.w) if pic.get(x, y)[3] == 255]
            self.assertGreater(len(opaque), 5, name)
            wrong = [(x, y) for x, y in opaque if image.get(x0 + 1 + x, y0 + 1 + y) != pic.get(x, y)[:3]]
            self.assertEqual(wrong, [], name)
        grip = Picture("size_grip")
        clear = [(x, y) for y in range(grip.h) for x in range(grip.w) if grip.get(x, y)[3] == 0]
        frame = rgb(FRAME[7])  # skin 8, the default
        self.assertEqual({image.get(w - 12 + x, h - 13 + y) for x, y in clear}, {frame})
        # The outlines over the left border: black 155 around the window,
        # white 80 inside it, black 100 around the page area.
        for x, colour, alpha in ((2, (0, 0, 0), 155), (3, (255, 255, 255), 80), (4, (0, 0, 0), 100)):
            self.assertTrue(near(image.get(x, 300), over(frame, colour + (alpha,))),
                            (x, image.get(x, 300)))

        # A hover of tab 3 puts its backdrop on that tab alone; leaving it
        # puts the plain tab back. (The status line's strip is left out: the
        # start-up checks may still be writing it.)
        tab = (9 + 76 * 2 + 1, 29, 76, 71)  # its area of the frame, one pixel right and down
        status = range(h - 21, h - 6)

        def changes(a, b):
            rows = [y for y in range(h) if y not in status and
                    a.pixels[y * w * 3:(y + 1) * w * 3] != b.pixels[y * w * 3:(y + 1) * w * 3]]
            return [(x, y) for y in rows for x in range(w) if a.get(x, y) != b.get(x, y)]

        s.move(9 + 76 * 2 + 38, 55)
        hovered = driver.wait_for(lambda: (lambda i: changes(image, i) and i)(s.image("tab-hover")),
                                  10, what="the tab's hover look")
        changed = changes(image, hovered)
        xs, ys = [x for x, _ in changed], [y for _, y in changed]
        self.assertGreaterEqual(min(xs), tab[0])
        self.assertLess(max(xs), tab[0] + tab[2])
        self.assertGreaterEqual(min(ys), tab[1])
        self.assertLess(max(ys), tab[1] + tab[3])
        s.move(300, 300)
        driver.wait_for(lambda: not changes(image, s.image("tab-left")), 10,
                        what="the plain tab back")

    def test_caption_presses_the_move_button_and_dragging_the_header(self):
        s = self.s
        s.start()
        driver.wait_started_without_catalogue(s)
        x0, y0, w, _ = s.refresh_geometry()
        # A press on the close button moved out before the release: nothing.
        s.press(w - 48 + 18, 12)
        s.move(w - 48 + 18, 60)
        s.release(w - 48 + 18, 60)
        time.sleep(1)
        self.assertTrue(s.running())
        # Button 4 puts the window at (0, 0), then back in the centre.
        s.click(w - 123 + 12, 12)
        driver.wait_for(lambda: s.refresh_geometry()[:2] == (0, 0), 10, what="the window at 0, 0")
        s.move(w // 2, 300)
        s.click(w - 123 + 12, 12)
        driver.wait_for(lambda: s.refresh_geometry()[:2] != (0, 0), 10, what="the window centred")
        centre = s.refresh_geometry()[:2]
        # A press on a tab selects it and does not move the window.
        s.press(9 + 76 + 38, 55)
        s.x("mousemove", "--sync", centre[0] + 9 + 76 + 38 + 60, centre[1] + 55 + 40)
        s.x("mouseup", 1)
        time.sleep(0.5)
        self.assertEqual(s.refresh_geometry()[:2], centre)
        # A press on the empty header drags the window along.
        s.press(500, 95)
        for step in range(1, 5):
            s.x("mousemove", "--sync", centre[0] + 500 + 15 * step, centre[1] + 95 + 10 * step)
            time.sleep(0.1)
        s.x("mouseup", 1)
        moved = driver.wait_for(lambda: s.refresh_geometry()[:2] != centre and
                                s.refresh_geometry()[:2], 10, what="the window to move")
        self.assertEqual((moved[0] - centre[0], moved[1] - centre[1]), (60, 40))


if __name__ == "__main__":
    unittest.main(verbosity=2)
