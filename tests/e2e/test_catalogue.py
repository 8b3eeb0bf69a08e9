"""The catalogue page: category buttons, paging, rows, install buttons, errors."""
import os
import shutil
import subprocess
import unittest

import driver

ARGS = driver.parse_args()
INSTALLED = "DejaVu Sans"  # a host font Wine lists as installed


def catalogue_layout(picture):
    layout = [("dl", "中文字体", "分类%02d" % k) for k in range(1, 13)]
    layout += [("dl", "英文字体", "Latin"), ("table", "Latin"), ("row", "Latin", "Latin One", "-", "l1")]
    for k in range(1, 13):
        layout.append(("table", "分类%02d" % k))
    for i in range(1, 12):
        name = INSTALLED if i == 3 else "测试字体%02d" % i
        layout.append(("row", "分类01", name, picture, "a%02d" % i))
    for k in range(2, 13):
        layout.append(("row", "分类%02d" % k, "第%d类字体" % k, picture, "c%02d" % k))
    return layout


def is_blue_frame(c):
    return c[0] < 60 and 100 < c[1] < 160 and c[2] > 220


class CataloguePage(unittest.TestCase):
    def setUp(self):
        self.s = driver.Session(ARGS.exe, ARGS.probe, ARGS.artifacts, self.id().split(".")[-1])
        self.addCleanup(self.s.close)

    def start_with(self, layout):
        s = self.s
        if layout is not None:
            picture = os.path.join(s.tmp, "picture.bmp")
            driver.write_bmp(picture, 180, 26,
                             lambda x, y: (40, 40, 40) if 3 < y < 22 and (x // 6) % 3 else None)
            driver.make_catalogue(ARGS.native, [tuple(line) for line in layout], s.file("ztdata.mdb"))
        s.start()
        self.cats = s.control("分类画板")
        self.rows = s.control("前台画板")

    def indicator(self):
        return self.s.control("标签1")["text"]

    def wait_indicator(self, text):
        driver.wait_for(lambda: self.indicator() == text, 20, what="page indicator " + text)

    def cat_pixel(self, image, k):
        x = 1 + 74 * ((k - 1) % 10) + 58
        y = 10 + 33 * ((k - 1) // 10) + 12
        return image.get(self.cats["cx"] + x, self.cats["cy"] + y)

    def row_pixel(self, image, x, y):
        return image.get(self.rows["cx"] + x, self.rows["cy"] + y)

    def click_cats(self, x, y):
        self.s.click(self.cats["cx"] + x, self.cats["cy"] + y)

    def click_button(self, name):
        self.s.click_control(name)

    def test_categories_pages_rows_and_buttons(self):
        s = self.s
        self.start_with(catalogue_layout(os.path.join(self.s.tmp, "picture.bmp")))
        self.wait_indicator("1/3")
        image = s.image("first-category")
        # Ten buttons in the first row, two in the second; the first selected.
        self.assertLess(self.cat_pixel(image, 1)[0], 190)
        for k in range(2, 13):
            self.assertTrue(195 < self.cat_pixel(image, k)[0] < 252, k)
        self.assertEqual(self.cat_pixel(image, 13), (255, 255, 255))
        # Row 1 shows the install button's blue arrow; row 3 holds an installed font.
        arrow = lambda row: self.row_pixel(image, 669 + 12, (row - 1) * 50 + 12 + 9)
        self.assertLess(arrow(1)[0], 100)
        self.assertGreater(arrow(3)[0], 150)
        # The row's picture is drawn at (5, y + 12).
        self.assertEqual(self.row_pixel(image, 5 + 7, 12 + 10), (40, 40, 40))

        self.click_cats(80, 60)  # second row, second column: category 12
        self.wait_indicator("1/1")
        image = s.image("category-12")
        self.assertLess(self.cat_pixel(image, 12)[0], 190)
        self.assertGreater(self.cat_pixel(image, 1)[0], 195)
        for x, y in ((70, 20), (30, 36)):  # the gap between buttons, between rows
            self.click_cats(x, y)
            self.assertEqual(self.indicator(), "1/1")
        self.assertLess(self.cat_pixel(s.image("after-gaps"), 12)[0], 190)

        self.click_cats(30, 20)
        self.wait_indicator("1/3")
        self.click_button("图形按钮8")  # last
        self.wait_indicator("3/3")
        s.move(self.rows["cx"] + 300, self.rows["cy"] + 170)  # over row 4, beyond the page
        image = s.image("last-page")
        self.assertTrue(is_blue_frame(self.row_pixel(image, 300, 50)))
        self.assertEqual(self.row_pixel(image, 300, 75), (255, 255, 255))
        self.assertEqual(self.row_pixel(image, 300, 100), (255, 255, 255))
        self.assertEqual(self.row_pixel(image, 300, 170), (255, 255, 255))
        self.click_button("图形按钮7")  # next on the last page
        self.assertEqual(self.indicator(), "3/3")
        self.click_button("图形按钮6")  # previous
        self.wait_indicator("2/3")
        image = s.image("page-2")
        self.assertTrue(is_blue_frame(self.row_pixel(image, 300, 200)))
        self.assertTrue(is_blue_frame(self.row_pixel(image, 300, 250)))
        self.click_button("图形按钮2")  # first
        self.wait_indicator("1/3")
        self.click_button("图形按钮6")  # previous on page 1
        self.assertEqual(self.indicator(), "1/3")

        # Pressing the install button shows the 下载 face; releasing outside
        # the release area leaves it until the row is drawn again.
        face = lambda image: self.row_pixel(image, 669 + 40, 12 + 2)
        normal = face(s.image("before-press"))
        s.press(self.rows["cx"] + 690, self.rows["cy"] + 20)
        # Looked at until the press has been handled and drawn.
        pressed = driver.wait_for(
            lambda: (lambda p: p if p != normal else None)(face(s.image("pressed"))), 10,
            interval=0, what="the pressed face")
        self.assertLess(pressed[0], normal[0])
        s.release(self.rows["cx"] + 400, self.rows["cy"] + 20)
        self.assertEqual(face(s.image("released-outside")), pressed)

    def test_each_row_shows_its_own_picture_after_paging(self):
        s = self.s
        colours = [(20 + 15 * i, 200 - 12 * i, 60 + 11 * (i % 7)) for i in range(15)]
        layout = [("dl", "中文字体", "图"), ("table", "图")]
        for i, c in enumerate(colours):
            path = os.path.join(s.tmp, "p%02d.bmp" % i)
            # Rows of one size, so that a freed picture's memory is the first
            # place the next page's picture of the same size would go.
            driver.write_bmp(path, 120, 26, lambda x, y, c=c: c)
            layout.append(("row", "图", "图字体%02d" % i, path, "p%02d" % i))
        # Two hostile rows on the last page: a picture claiming 4096 x 4096,
        # and a container that would inflate to 2 GiB. Neither is drawn, and
        # the window goes on as before.
        huge = os.path.join(s.tmp, "huge.bmp")
        driver.write_bmp(huge, 4, 4, lambda x, y: (0, 0, 0))
        with open(huge, "r+b") as f:
            f.seek(18)
            f.write((4096).to_bytes(4, "little") + (4096).to_bytes(4, "little"))
        bomb = os.path.join(s.tmp, "bomb.zt")
        subprocess.run(["/usr/bin/python3", os.path.join(driver.HERE, "make_bomb.py"), bomb,
                        "2048"], check=True)
        layout += [("row", "图", "大图", huge, "h1"), ("row", "图", "炸弹", bomb, "h2")]
        self.start_with(layout)
        self.wait_indicator("1/4")

        def shown(page):
            image = s.image("pictures-%d" % page)
            return [self.row_pixel(image, 5 + 60, (r - 1) * 50 + 12 + 13) for r in range(1, 6)]

        def expected(page):
            first = (page - 1) * 5
            return [colours[i] if i < len(colours) else (255, 255, 255)
                    for i in range(first, first + 5)]

        for button, page in (("图形按钮7", 2), ("图形按钮7", 3), ("图形按钮7", 4),
                             ("图形按钮6", 3), ("图形按钮6", 2), ("图形按钮2", 1),
                             ("图形按钮8", 4), ("图形按钮6", 3)):
            self.click_button(button)
            self.wait_indicator("%d/4" % page)
            self.assertEqual(shown(page), expected(page), "page %d after %s" % (page, button))
        paged = s.image("paged-3")
        # A fresh start on the same page shows the very same rows.
        s.stop_program()
        s.start()
        self.wait_indicator("1/4")
        self.click_button("图形按钮7")
        self.wait_indicator("2/4")
        self.click_button("图形按钮7")
        self.wait_indicator("3/4")
        fresh = s.image("fresh-3")
        for y in range(0, 250, 5):
            for x in range(0, 736, 7):
                self.assertEqual(self.row_pixel(fresh, x, y), self.row_pixel(paged, x, y), (x, y))

    def test_rows_show_the_licence_class_the_builder_recorded(self):
        s = self.s
        out, _, rows = driver.build_font_catalogue(
            s.tmp, ARGS.native, {"授权": ["YqLic Free", "YqLic Personal|For personal use only.",
                                         "YqLic None|"]})
        shutil.copy(os.path.join(out, "ztdata.mdb"), s.file("ztdata.mdb"))
        self.start_with(None)
        self.wait_indicator("1/1")
        image = s.image("licence-classes")
        green = lambda c: c[1] > c[0] + 50 and c[1] > c[2] + 40
        orange = lambda c: c[0] > c[1] + 60 and c[0] > c[2] + 80

        def inks(row):
            top = (row - 1) * 50
            pixels = [self.row_pixel(image, x, y) for x in range(346, 665)
                      for y in range(top + 18, top + 42)]
            return sum(map(green, pixels)), sum(map(orange, pixels))

        # DejaVu's own licence (the Bitstream Vera grant) is free; the
        # personal-use text restricts; no text is unknown, drawn in grey.
        found = {face: inks(i + 1) for i, face in enumerate(rows["授权"])}
        self.assertGreater(found["YqLic Free"][0], 20, found)
        self.assertEqual(found["YqLic Free"][1], 0, found)
        self.assertGreater(found["YqLic Personal"][1], 20, found)
        self.assertEqual(found["YqLic Personal"][0], 0, found)
        self.assertEqual(found["YqLic None"], (0, 0), found)

    def test_missing_database(self):
        s = self.s
        self.start_with(None)
        box = s.answer_next_box(set())
        self.assertTrue(box["text"])
        driver.wait_for(lambda: s.control("标签2")["text"], 30, what="the start-up work")
        self.assertEqual(s.message_boxes(), [])
        image = s.image("no-categories")
        self.assertEqual(self.cat_pixel(image, 1), (255, 255, 255))
        for name in ("编辑框4", "编辑框5", "标签14", "标签15", "标签16", "标签17"):
            self.assertEqual(s.control(name)["shown"], 0, name)

    def test_missing_category_table(self):
        s = self.s
        layout = [("dl", "中文字体", "有表"), ("dl", "中文字体", "缺表"), ("table", "有表"),
                ("row", "有表", "某字体", "-", "x1")]
        self.start_with(layout)
        self.wait_indicator("1/1")
        self.click_cats(74 + 30, 20)
        seen = set()
        for _ in range(2):  # counting and loading the page each report it
            self.assertTrue(s.answer_next_box(seen)["text"])
        self.wait_indicator("1/1")
        self.assertEqual(s.message_boxes(), [])
        image = s.image("missing-table")
        self.assertEqual(self.row_pixel(image, 300, 25), (255, 255, 255))


if __name__ == "__main__":
    unittest.main(verbosity=2)
