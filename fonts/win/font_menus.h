// The right-click menus of the installed-font grids: "系统表格" on
// 系统字体表格 and "系统表格2" on 系统字体表格2.
#pragma once

namespace yq {

void wire_font_grid_menus();

}  // namespace yq
