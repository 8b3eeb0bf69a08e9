// The grid control and the system font grid fill under Wine, headless: the
// grid is a message-only window (Wine creates no child of one without a
// display) and draws through WM_PRINTCLIENT.
#include "fonts/win/font_grid.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win/controls.h"
#include "platform/win/grid.h"
#include "tests/win/fonts/test_fonts.h"

namespace yq {
namespace {

constexpr int kRowHeight = 33;
constexpr int kVisibleRows = 14;

class GridTest : public ::testing::Test {
  protected:
    void SetUp() override {
        HINSTANCE instance = GetModuleHandleA(nullptr);
        static bool registered = false;
        if (!registered) {
            win::register_control_classes(instance);
            win::register_grid_class(instance);
            registered = true;
        }
        // Border included: a client area of kVisibleRows whole rows.
        grid_ = win::create_grid(HWND_MESSAGE, 1, 0, 0, 736, kVisibleRows * kRowHeight + 4, 6,
                                 kRowHeight);
        ASSERT_NE(grid_, nullptr);
        int widths[6] = {210, 120, 27, 210, 120, 27};
        for (int c = 0; c < 6; ++c) {
            win::grid_set_column_width(grid_, c, widths[c]);
            win::grid_set_column_kind(grid_, c,
                                      c % 3 == 2 ? win::CellKind::CheckBox : win::CellKind::Text);
        }
        label_ = win::create_label(HWND_MESSAGE, 2, 0, 0, 200, 20, "");
    }
    void TearDown() override {
        DestroyWindow(grid_);
        DestroyWindow(label_);
    }

    // Paints the visible rows into a memory DC, as the screen would get them.
    void paint() {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bmp = CreateCompatibleBitmap(screen, 736, kVisibleRows * kRowHeight);
        HGDIOBJ old = SelectObject(dc, bmp);
        SendMessageA(grid_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
    }
    int live() { return LOWORD(SendMessageA(grid_, win::GM_GETFONTSTATS, 0, 0)); }
    int peak() { return HIWORD(SendMessageA(grid_, win::GM_GETFONTSTATS, 0, 0)); }
    int created() { return static_cast<int>(SendMessageA(grid_, win::GM_GETFONTSCREATED, 0, 0)); }
    int top() { return static_cast<int>(SendMessageA(grid_, win::GM_GETTOPROW, 0, 0)); }

    HWND grid_ = nullptr, label_ = nullptr;
};

TEST_F(GridTest, ScrollingThousandsOfFacesKeepsTheFontCacheBounded) {
    constexpr int kRows = 3000;
    SendMessageA(grid_, WM_SETREDRAW, FALSE, 0);
    win::grid_set_row_count(grid_, kRows);
    for (int r = 0; r < kRows; ++r) {
        for (int half : {0, 1}) {
            std::string face = "ProbeGridFace" + std::to_string(r * 2 + half);
            win::grid_set_font(grid_, {r, half * 3, r, half * 3, face.c_str(), 20});
            win::grid_set_text(grid_, {r, half * 3}, face);
            win::grid_set_text(grid_, {r, half * 3 + 1}, face);
        }
    }
    SendMessageA(grid_, WM_SETREDRAW, TRUE, 0);
    EXPECT_EQ(created(), 0);  // filling draws nothing

    paint();
    // Only the rows on screen were drawn, so only their faces were made.
    int first = created();
    EXPECT_GT(first, 0);
    EXPECT_LE(first, 2 * (kVisibleRows + 1));

    int pages = 0;
    for (int t = 0; t < kRows; t += kVisibleRows, ++pages) {
        SendMessageA(grid_, win::GM_SETTOPROW, t, 0);
        paint();
        ASSERT_LE(live(), static_cast<int>(win::kGridFontCacheSize));
    }
    EXPECT_EQ(top(), kRows - kVisibleRows);  // clamped at the end
    EXPECT_EQ(peak(), static_cast<int>(win::kGridFontCacheSize));
    // Every face was made once on its way past, none for rows never shown.
    EXPECT_GE(created(), 2 * kRows);
    EXPECT_LE(created(), 2 * (kRows + 2 * kVisibleRows));
    // Scrolling back within the cached rows makes no font.
    int before = created();
    SendMessageA(grid_, win::GM_SETTOPROW, kRows - 2 * kVisibleRows, 0);
    paint();
    EXPECT_EQ(created(), before);
}

TEST_F(GridTest, RedrawSwitchLeavesAHiddenGridHidden) {
    ShowWindow(grid_, SW_HIDE);
    SendMessageA(grid_, WM_SETREDRAW, FALSE, 0);
    SendMessageA(grid_, WM_SETREDRAW, TRUE, 0);
    EXPECT_FALSE(GetWindowLongA(grid_, GWL_STYLE) & WS_VISIBLE);
    ShowWindow(grid_, SW_SHOWNA);
    SendMessageA(grid_, WM_SETREDRAW, FALSE, 0);
    EXPECT_TRUE(GetWindowLongA(grid_, GWL_STYLE) & WS_VISIBLE);
    SendMessageA(grid_, WM_SETREDRAW, TRUE, 0);
}

TEST_F(GridTest, ClicksMoveTheCursorButNeverChangeATick) {
    win::grid_set_row_count(grid_, 3);
    win::grid_set_check(grid_, {1, 5}, true);
    // Left and right presses and releases on both check columns of row 1
    // (y 33..65), and on row 2's: the cursor follows, the ticks stay.
    const int y1 = kRowHeight + 10, y2 = 2 * kRowHeight + 10;
    for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP}) {
        for (int x : {343, 700}) {
            SendMessageA(grid_, msg, 0, MAKELPARAM(x, y1));
            SendMessageA(grid_, msg, 0, MAKELPARAM(x, y2));
        }
    }
    EXPECT_EQ(win::grid_cursor_row(grid_), 2);
    EXPECT_FALSE(win::grid_check(grid_, {1, 2}));
    EXPECT_TRUE(win::grid_check(grid_, {1, 5}));
    EXPECT_FALSE(win::grid_check(grid_, {2, 2}));
    EXPECT_FALSE(win::grid_check(grid_, {2, 5}));
}

TEST_F(GridTest, CellsPastRow65535AndTheArrowKeys) {
    win::grid_set_row_count(grid_, 70000);
    win::grid_set_text(grid_, {69999, 1}, "far down");
    win::grid_set_check(grid_, {65536, 2}, true);
    EXPECT_EQ(win::grid_text(grid_, {69999, 1}), "far down");
    EXPECT_EQ(win::grid_text(grid_, {69999 & 0xFFFF, 1}), "");  // no wrap to row 4463
    EXPECT_TRUE(win::grid_check(grid_, {65536, 2}));
    EXPECT_FALSE(win::grid_check(grid_, {0, 2}));

    auto key = [&](UINT vk) { SendMessageA(grid_, WM_KEYDOWN, vk, 0); };
    key(VK_DOWN);  // no cursor yet: the first row
    EXPECT_EQ(win::grid_cursor_row(grid_), 0);
    key(VK_DOWN);
    key(VK_DOWN);
    EXPECT_EQ(win::grid_cursor_row(grid_), 2);
    key(VK_UP);
    EXPECT_EQ(win::grid_cursor_row(grid_), 1);
    key(VK_NEXT);  // a page: the rows the grid shows
    EXPECT_EQ(win::grid_cursor_row(grid_), 1 + kVisibleRows);
    EXPECT_EQ(top(), 2);  // scrolled just enough to show it
    key(VK_END);
    EXPECT_EQ(win::grid_cursor_row(grid_), 69999);
    EXPECT_EQ(top(), 70000 - kVisibleRows);
    key(VK_HOME);
    key(VK_UP);  // stays on the first row
    EXPECT_EQ(win::grid_cursor_row(grid_), 0);
    EXPECT_EQ(top(), 0);
}

TEST_F(GridTest, FillLaysTwoFontsARowAndEveryRowStartsUnticked) {
    FontInventory inventory;
    for (auto* face : {"ProbeA", "探针乙", "ProbeC", "@探针丁", "ProbeE", "探针己"}) {
        inventory.append(face, std::string("C:\\f\\") + face + ".ttf",
                         std::string(face) + " (TrueType)");
    }
    win::grid_set_row_count(grid_, 5);
    win::grid_set_text(grid_, {4, 1}, "left from an earlier fill");
    win::grid_set_check(grid_, {0, 2}, true);

    fill_font_grid(grid_, label_, inventory, ListingOrder::ChineseFirst);
    // 探针乙 探针己 | ProbeA ProbeC | ProbeE (the vertical face is not listed)
    EXPECT_EQ(win::grid_row_count(grid_), 3);
    EXPECT_EQ(win::grid_text(grid_, {0, 0}), "探针乙");
    EXPECT_EQ(win::grid_text(grid_, {0, 1}), "探针乙");
    EXPECT_EQ(win::grid_text(grid_, {0, 4}), "探针己");
    EXPECT_EQ(win::grid_text(grid_, {1, 3}), "ProbeC");
    EXPECT_EQ(win::grid_text(grid_, {2, 1}), "ProbeE");
    EXPECT_EQ(win::grid_text(grid_, {2, 4}), "");
    // A tick belonged to the font shown before: no row of a new fill has one.
    EXPECT_FALSE(win::grid_check(grid_, {0, 2}));
    EXPECT_EQ(win::caption(label_), "系统字体数:5");

    fill_font_grid(grid_, label_, inventory, ListingOrder::InitialLetter);
    // Keys: P P P T T, the vertical face sorted last and left out.
    EXPECT_EQ(win::grid_text(grid_, {0, 1}), "ProbeA");
    EXPECT_EQ(win::grid_text(grid_, {1, 4}), "探针乙");
    EXPECT_EQ(win::grid_text(grid_, {2, 1}), "探针己");
    EXPECT_EQ(inventory.face_name(6), "@探针丁");

    FontInventory empty;
    fill_font_grid(grid_, label_, empty, ListingOrder::ChineseFirst);
    EXPECT_EQ(win::grid_row_count(grid_), 1);
    EXPECT_EQ(win::grid_text(grid_, {0, 1}), "");
    EXPECT_EQ(win::caption(label_), "系统字体数:5");  // nothing placed: kept
}

TEST_F(GridTest, NewestFirstFollowsTheFilesModificationTimes) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    FontInventory inventory;
    // Wine reports a file's creation time as its modification time when that
    // is older; Windows keeps the real creation time.
    const int days[] = {3, 1, 2};
    for (int i = 0; i < 3; ++i) {
        std::string face = "ProbeDated" + std::to_string(i);
        std::string path = std::string(temp) + face + ".ttf";
        ASSERT_TRUE(test::write_file(path, "x"));
        SYSTEMTIME st{2020, 1, 0, static_cast<WORD>(days[i]), 12, 0, 0, 0};
        FILETIME ft;
        SystemTimeToFileTime(&st, &ft);
        HANDLE h =
            CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        SetFileTime(h, &ft, nullptr, &ft);
        CloseHandle(h);
        inventory.append(face, path, face + " (TrueType)");
    }
    inventory.append("ProbeNoFile", "C:\\no\\such\\file.ttf", "ProbeNoFile (TrueType)");

    fill_font_grid(grid_, label_, inventory, ListingOrder::NewestFirst);
    EXPECT_EQ(win::grid_text(grid_, {0, 1}), "ProbeDated0");
    EXPECT_EQ(win::grid_text(grid_, {0, 4}), "ProbeDated2");
    EXPECT_EQ(win::grid_text(grid_, {1, 1}), "ProbeDated1");
    EXPECT_EQ(win::grid_text(grid_, {1, 4}), "ProbeNoFile");  // unreadable: oldest
    EXPECT_EQ(inventory.face_name(1), "ProbeDated0");
}

}  // namespace
}  // namespace yq
