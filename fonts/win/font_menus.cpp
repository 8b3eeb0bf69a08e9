#include "fonts/win/font_menus.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "platform/win/handles.h"
#include "platform/win/grid.h"

namespace yq {
namespace {

enum : UINT { kCopyFaceName = 1, kCopyFileName = 2, kDeleteFont = 3 };

// The chosen font travels in the caption of the menu's "删除字体" item, as
// "删除字体  (  " + face name + "  )".
constexpr char kDeletePrefix[] = "删除字体  (  ";
constexpr char kDeleteSuffix[] = "  )";

std::string delete_caption(const std::string& face) {
    return kDeletePrefix + face + kDeleteSuffix;
}

HWND g_owner = nullptr;

void copy_to_clipboard(const std::string& text) {
    if (!OpenClipboard(g_owner)) return;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (memory) {
        std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_TEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}

void show_menu(HWND grid, bool system_grid, int row, int x) {
    // A right click moves the cursor to the row under the mouse, as a left
    // click would; it never changes a tick.
    if (row < 0) return;
    win::grid_set_cursor_row(grid, row);
    std::string face = win::grid_text(grid, {row, system_grid && x >= 335 ? 4 : 1});
    std::string caption = delete_caption(face);
    win::UniqueMenu menu(CreatePopupMenu());
    AppendMenuA(menu.get(), MF_STRING, kCopyFaceName, "复制字体名(&Z)");
    AppendMenuA(menu.get(), MF_STRING, kCopyFileName,
                system_grid ? "复制文件名(&W)" : "复制文件名(W)");
    AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu.get(), MF_STRING, kDeleteFont, caption.c_str());
    POINT p;
    GetCursorPos(&p);
    UINT cmd =
        TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON,
                       p.x, p.y, 0, g_owner, nullptr);
    menu.reset();
    if (cmd == kCopyFaceName) {
        row = win::grid_cursor_row(grid);
        if (row < 0) return;
        if (!system_grid) {
            copy_to_clipboard(win::grid_text(grid, {row, 1}));
        } else {
            // The left font was chosen when the caption names column 1's face.
            std::string left = win::grid_text(grid, {row, 1});
            copy_to_clipboard(delete_caption(left) == caption ? left
                                                              : win::grid_text(grid, {row, 4}));
        }
    }
    // 复制文件名 has no action; 删除字体 comes with font deletion.
}

}  // namespace

void wire_font_grid_menus(HWND owner, HWND system_grid, HWND search_grid) {
    g_owner = owner;
    win::on_grid_mouse(system_grid, [system_grid](win::GridEvent e, int row, int, int x, int) {
        if (e == win::GridEvent::RightUp) show_menu(system_grid, true, row, x);
    });
    win::on_grid_mouse(search_grid, [search_grid](win::GridEvent e, int row, int, int x, int) {
        if (e == win::GridEvent::RightUp) show_menu(search_grid, false, row, x);
    });
}

}  // namespace yq
