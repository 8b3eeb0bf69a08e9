// The system font page (字体管理): 系统字体表格 filled from the installed-font
// inventory in one of three listing orders, the font count, 刷新, and the
// grids' right-click menus. The page owns its controls, given to it when
// the main window is wired, and its state (the listing order). UI thread
// only.
#pragma once

#include <windows.h>

#include "fonts/inventory_model.h"

namespace yq {

struct SystemFontControls {
    HWND main;                 // owner of the menus and the clipboard
    HWND 系统字体表格;          // the installed fonts, two a row
    HWND 系统字体表格2;         // search results
    HWND 标签2;                // the font count
    HWND 图形按钮3, 图形按钮4, 图形按钮5;  // 按时间排序, 按语言排序, 按首拼排序
    HWND 图形按钮25;           // 刷新
};

// Wires the page to its controls; the listing order starts as Chinese first.
void wire_system_font_page(const SystemFontControls& controls);

// Fills 系统字体表格 from the inventory in the current listing order and sets
// 标签2.
void fill_system_font_grid();

}  // namespace yq
