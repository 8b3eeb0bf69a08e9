// The system font page (字体管理): 系统字体表格 filled from the installed-font
// inventory in one of three listing orders, the font count, 刷新, the search
// into 系统字体表格2, the custom preview text, ticking and select-all, the
// grids' right-click menus, and deleting fonts one at a time or in a batch
// into the recycle bin. The page owns its controls, given to it when the
// main window is wired, and its state (the listing order, the preview
// text). UI thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "fonts/inventory_model.h"

namespace yq {

struct SystemFontControls {
    HWND main;                             // owner of the menus and the clipboard
    HWND 系统字体表格;                     // the installed fonts, two a row
    HWND 系统字体表格2;                    // search results, one a row
    HWND 标签2;                            // the font count
    HWND 图形按钮3, 图形按钮4, 图形按钮5;  // 按时间排序, 按语言排序, 按首拼排序
    HWND 图形按钮25;                       // 刷新
    HWND 图形按钮17;                       // 卸载: the batch uninstall
    HWND 选择框4;                          // 全选
    HWND 编辑框1, 选择框5;                 // the search box, 区分大小写
    HWND 编辑框2;                          // the preview text
    HWND 标签18;                           // the batch's busy label
    HWND 标签20;                           // "查询无结果!"
};

struct SystemFontHooks {
    // After fonts were deleted from 系统字体表格 and the inventory rebuilt:
    // the other lists of installed fonts (the catalogue's marks) follow.
    std::function<void()> fonts_removed;
};

// Wires the page to its controls; the listing order starts as Chinese first.
// Removed fonts go to `recycle_bin` (a folder path ending in a backslash).
void wire_system_font_page(const SystemFontControls& controls, const std::string& recycle_bin,
                           SystemFontHooks hooks);

// Fills 系统字体表格 from the inventory in the current listing order and sets
// 标签2.
void fill_system_font_grid();

// Runs the search for the content of 编辑框1 again (the page's three states:
// the full grid, the results, or "查询无结果!").
void run_font_search();

}  // namespace yq
