// The catalogue page on screen: opens the catalogue database, applies what
// the category view and the list model decide (drawing into 分类画板 and
// 后台画板/前台画板, showing controls, message boxes), and routes the page's
// mouse and button events to them. The page owns its controls, given to it
// when the main window is wired, and its state. UI thread only.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "catalogue/list_model.h"

namespace yq {

struct CatalogueControls {
    HWND 高级选择夹2;                 // the three category groups
    HWND 分类画板;                    // category buttons
    HWND 前台画板, 后台画板;           // the rows, and their drawing buffer
    HWND 标签1;                       // page indicator
    HWND 图形按钮2, 图形按钮6, 图形按钮7, 图形按钮8;  // 首页, 上一页, 下一页, 末页
    std::array<HWND, 5> preview_buttons;  // 图形按钮18..22, beside rows 1..5
    std::array<HWND, 6> text_preview;     // 编辑框4, 编辑框5, 标签14..17
};

// Asked to start the download of a row's font: the list row (1..5, already
// marked as downloading), the font name and its server address.
using DownloadRequest =
    std::function<void(int row, const std::string& font_name, const std::string& address)>;

// Wires the page to its controls. `installed` tells whether a face is
// installed; `download` starts a row's download.
void wire_catalogue_page(const CatalogueControls& controls, InstalledCheck installed,
                         DownloadRequest download);

// Reopens the catalogue database file and shows the first category of the
// current group.
void open_catalogue(const std::string& path);
// Closes the database so the file can be replaced.
void close_catalogue();

// The 50 ms ring tick (时钟2).
void catalogue_spinner_tick();

// The font name ("字体名") of list row 1..5 of the current page, "" when the
// row holds no entry.
std::string catalogue_entry_font(int row);

// Re-derives every row's installed state after fonts changed.
void refresh_catalogue_rows();

// A download of `font_name` reported: progress stores the percentage; an end
// sets the rows of that name (installed or not) and redraws them. Returns
// whether a row of that name is still listed.
void catalogue_download_progress(const std::string& font_name, int percentage);
bool catalogue_download_finished(const std::string& font_name, bool installed);

}  // namespace yq
