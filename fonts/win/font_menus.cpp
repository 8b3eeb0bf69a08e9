#include "fonts/win/font_menus.h"

#include <cstring>

#include "fonts/deletion_model.h"
#include "platform/win/grid.h"
#include "platform/win/handles.h"

namespace yq {
namespace {

enum : UINT { kCopyFaceName = 1, kCopyFileName = 2, kDeleteFont = 3 };

}  // namespace

void copy_to_clipboard(HWND owner, const std::string& text) {
    if (!OpenClipboard(owner)) return;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (memory) {
        std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_TEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}

FontMenuChoice show_font_menu(HWND owner, HWND grid, bool system_grid, int row, int x) {
    FontMenuChoice choice;
    if (row < 0) return choice;
    win::grid_set_cursor_row(grid, row);
    std::string face = win::grid_text(grid, {row, system_grid && x >= 335 ? 4 : 1});
    choice.delete_caption = delete_item_caption(face);
    win::UniqueMenu menu(CreatePopupMenu());
    AppendMenuA(menu.get(), MF_STRING, kCopyFaceName, "复制字体名(&Z)");
    AppendMenuA(menu.get(), MF_STRING, kCopyFileName,
                system_grid ? "复制文件名(&W)" : "复制文件名(W)");
    AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu.get(), MF_STRING, kDeleteFont, choice.delete_caption.c_str());
    POINT p;
    GetCursorPos(&p);
    UINT cmd =
        TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON,
                       p.x, p.y, 0, owner, nullptr);
    choice.command = cmd == kCopyFaceName   ? FontMenuCommand::CopyFaceName
                     : cmd == kCopyFileName ? FontMenuCommand::CopyFileName
                     : cmd == kDeleteFont   ? FontMenuCommand::DeleteFont
                                            : FontMenuCommand::None;
    return choice;
}

}  // namespace yq
