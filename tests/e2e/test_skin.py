"""The skin picker: the nine skins and the 84 colours picked from the popup
under the skin button, saved, and shown again after a restart."""
import time
import unittest

import driver

ARGS = driver.parse_args()
# Frame colours (COLORREF 0x00BBGGRR) of skins 1..9; skins 2 and 9 have black text.
FRAME = [0xDEA64D, 0xDCB36A, 0x2BB06F, 0xD7A162, 0xDD9B59, 0x7C5810, 0x7E7B75, 0x30507F, 0xA786F8]


def rgb(colorref):
    return (colorref & 0xFF, (colorref >> 8) & 0xFF, (colorref >> 16) & 0xFF)


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

    def frame_pixel(self, name):
        """The bottom band's colour (the status line's background, left of its text)."""
        image = self.s.image(name)
        return image.get(3, image.height - 10)

    def header_pixel(self, image):
        return image.get(600, 20)

    def test_every_skin_and_a_colour_are_applied_saved_and_restored(self):
        s = self.s
        s.start()
        driver.wait_started_without_catalogue(s)
        self.open_popup()
        for n in range(1, 10):
            row, col = (n - 1) // 3, (n - 1) % 3
            self.click_popup(6 + 68 * col + 33, 33 + 43 * row + 21)
            driver.wait_for(lambda: s.settings().get("pf") == str(n), 10, what="pf %d" % n)
            self.assertEqual(s.settings()["lb"], "2")
            time.sleep(0.3)
            self.assertEqual(self.frame_pixel("skin-%d" % n), rgb(FRAME[n - 1]), n)
            self.assertTrue(self.popups(), "the popup stays open after a pick")
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
        time.sleep(0.3)
        image = s.image("colour-29")
        self.assertEqual(image.get(3, image.height - 10), rgb(0x7A8200))
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
        time.sleep(0.5)
        self.assertEqual(self.frame_pixel("restarted"), rgb(FRAME[8]))

    def test_caption_buttons_fade_their_hover_in(self):
        s = self.s
        s.start()
        driver.wait_started_without_catalogue(s)
        _, _, w, _ = s.refresh_geometry()
        corner = (w - 73 + 2, 3 + 2)  # of button 2, away from its glyph
        s.move(500, 95)
        time.sleep(0.3)
        before = s.image("before-hover").get(*corner)
        s.move(w - 73 + 12, 12)
        during = s.image("hover-under-way").get(*corner)
        time.sleep(1.2)
        after = s.image("hover-done").get(*corner)
        self.assertEqual(after, (255, 255, 255))
        self.assertNotEqual(during, after, "the fade was over at once")
        self.assertNotEqual(during, before, "the fade had not begun")
        # Button 5 shows its hover at once.
        s.move(w - 148 + 2, 3 + 2)
        self.assertEqual(s.image("menu-button-hover").get(w - 148 + 2, 3 + 2), (255, 255, 255))

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
