// The catalogue page on screen: opens the catalogue database, applies what
// the category view and the list model decide (drawing into 分类画板 and
// 后台画板/前台画板, showing controls, message boxes), and routes the page's
// mouse and button events to them. The page owns its controls, given to it
// when the main window is wired, and its state. UI thread only.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "catalogue/list_model.h"

namespace yq {

struct CatalogueControls {
    HWND group_tabs;                      // 中文字体 | 专题字体 | 英文字体
    HWND category_panel;                  // the category buttons
    HWND list_panel;                      // the five rows on screen
    HWND list_buffer;                     // their off-screen drawing buffer
    HWND page_indicator_label;            // page / pages
    HWND first_page_button;               // 首页
    HWND previous_page_button;            // 上一页
    HWND next_page_button;                // 下一页
    HWND last_page_button;                // 末页
    std::array<HWND, 5> preview_buttons;  // 预览, beside rows 1..5
    // The text preview's boxes, picture and their labels and frames, shown
    // together when a row's 预览 is pressed.
    std::array<HWND, 6> text_preview;
};

// Asked to start the download of a row's font: the list row (1..5, already
// marked as downloading), the font name and its server address.
using DownloadRequest =
    std::function<void(int row, const std::string& font_name, const std::string& address)>;

// The page: made once when the main window is wired and owned by it.
class CataloguePage {
  public:
    // Wires the page to its controls. `installed` tells whether a face is
    // installed; `download` starts a row's download.
    CataloguePage(const CatalogueControls& controls, InstalledCheck installed,
                  DownloadRequest download);
    ~CataloguePage();
    CataloguePage(const CataloguePage&) = delete;
    CataloguePage& operator=(const CataloguePage&) = delete;

    // Reopens the catalogue database file and shows the first category of
    // the current group.
    void open(const std::string& path);
    // Closes the database so the file can be replaced.
    void close();

    // The 50 ms ring tick (时钟2).
    void spinner_tick();

    // The font name ("字体名") of list row 1..5 of the current page, ""
    // when the row holds no entry.
    std::string entry_font(int row) const;

    // Re-derives every row's installed state after fonts changed.
    void refresh_rows();

    // A download of `font_name` reported: progress stores the percentage;
    // an end sets the rows of that name (installed or not) and redraws
    // them. Returns whether a row of that name is still listed.
    void download_progress(const std::string& font_name, int percentage);
    bool download_finished(const std::string& font_name, bool installed);

    struct State;  // the database, the models, the pictures and the artwork

  private:
    std::unique_ptr<State> state_;
};

}  // namespace yq
