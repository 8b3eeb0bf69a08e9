// The right-click menus of the installed-font grids: "系统表格" on
// 系统字体表格 and "系统表格2" on 系统字体表格2.
#pragma once

#include <windows.h>

namespace yq {

// `owner` owns the menus and the clipboard while a name is copied.
void wire_font_grid_menus(HWND owner, HWND system_grid, HWND search_grid);

}  // namespace yq
