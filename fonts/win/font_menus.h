// The right-click menus of the installed-font grids: "系统表格" on
// 系统字体表格 and "系统表格2" on the search result grid. The menu names the font under
// the mouse in its "删除字体" item; the page acts on the choice.
#pragma once

#include <windows.h>

#include <string>

namespace yq {

enum class FontMenuCommand { None, CopyFaceName, CopyFileName, DeleteFont };

struct FontMenuChoice {
    FontMenuCommand command = FontMenuCommand::None;
    // The caption the "删除字体" item had: "删除字体  (  " + face + "  )".
    std::string delete_caption;
};

// A right click released on `grid` over `row` (-1: none, no menu) at x:
// moves the cursor row there (never a tick), names the font of that row's
// name cell (系统字体表格: the left font below x 335, else the right one), and
// pops the menu up at the mouse, owned by `owner`. UI thread.
FontMenuChoice show_font_menu(HWND owner, HWND grid, bool system_grid, int row, int x);

// Puts a text on the clipboard as CF_TEXT.
void copy_to_clipboard(HWND owner, const std::string& text);

}  // namespace yq
