"""Right-click menus of the installed-font grid: copy the chosen face name."""
import subprocess
import unittest

import driver

ARGS = driver.parse_args()


class GridMenus(unittest.TestCase):
    def test_copy_face_name_of_left_and_right_font(self):
        with driver.Session(ARGS.exe, ARGS.probe, ARGS.artifacts, "menus") as s:
            s.start()
            driver.wait_started_without_catalogue(s)
            s.click(9 + 76 + 38, 55)  # 字体管理
            driver.wait_for(lambda: s.tree()["page_control"]["page"] == 0, 10, what="the page")
            grid = s.control("系统字体表格")
            cells = s.grid("系统字体表格")
            for x, column in ((250, 1), (580, 4)):
                s.click(grid["cx"] + x, grid["cy"] + 45 + 15, button=3)  # row 1 (second row)
                menus = driver.wait_for(lambda: s.probe("menus"), 10, what="the menu")
                face = cells[1][column]
                # Another process cannot read the items under Wine; when it
                # can, they are the four of the menu.
                if menus[0]:
                    self.assertEqual(menus[0], ["复制字体名(&Z)", "复制文件名(&W)", "",
                                                "删除字体  (  %s  )" % face])
                s.screenshot("menu-%d" % column)
                s.x("key", "Down", "Return")

                def clipboard():
                    out = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=s.env,
                                         capture_output=True, timeout=10)
                    return out.stdout.decode("utf-8", "replace")

                driver.wait_for(lambda: clipboard() == face, 10,
                                what="the face name on the clipboard")


if __name__ == "__main__":
    unittest.main(verbosity=2)
