// The system font page (字体管理): 系统字体表格 filled from the installed-font
// inventory in one of three listing orders, the font count, 刷新, the search
// into the search result grid, the custom preview text, ticking and select-all, the
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
    HWND main;                      // owner of the menus and the clipboard
    HWND font_grid;                 // the installed fonts, two a row
    HWND search_result_grid;        // search results, one a row
    HWND font_count_label;          // "系统字体数:" + count
    HWND newest_first_button;       // 按时间排序
    HWND chinese_first_button;      // 按语言排序
    HWND initial_letter_button;     // 按首拼排序
    HWND refresh_button;            // 刷新
    HWND uninstall_button;          // 卸载: the batch uninstall of the ticked fonts
    HWND select_all_box;            // 全选
    HWND search_box;                // 模糊查询
    HWND case_sensitive_box;        // 区分大小写
    HWND preview_text_box;          // 自定义预览
    HWND free_only_box;             // 仅显示可免费商用: the grids list the free fonts only
    HWND full_chinese_only_box;     // 仅显示完整中文字体: ... those with every GB2312 hanzi
    HWND uninstall_progress_label;  // the batch's progress, shown while it runs
    HWND no_result_label;           // "查询无结果!"
};

struct SystemFontHooks {
    // After fonts were deleted from 系统字体表格 and the inventory rebuilt:
    // the other lists of installed fonts (the catalogue's marks) follow.
    std::function<void()> fonts_removed;
};

// The page: made once when the main window is wired, owned by the main
// window, and alive as long as its controls are.
class SystemFontPage {
  public:
    // Wires the page to its controls; the listing order starts as Chinese
    // first. Removed fonts go to `recycle_bin` (a folder path ending in a
    // backslash).
    SystemFontPage(const SystemFontControls& controls, std::string recycle_bin,
                   SystemFontHooks hooks);
    SystemFontPage(const SystemFontPage&) = delete;
    SystemFontPage& operator=(const SystemFontPage&) = delete;

    // Fills 系统字体表格 from the inventory in the current listing order and
    // sets the font count.
    void fill_grid();

    // Runs the search for the content of the search box again (the page's
    // three states: the full grid, the results, or "查询无结果!").
    void run_search();

  private:
    void rebuild_and_fill(std::function<void()> then = {});
    void apply_preview_text();
    void select_all();
    void on_system_grid_release(int x);
    void on_result_grid_release(int x);
    void after_removal(bool result_grid, std::function<void()> done = {});
    void delete_one(const std::string& caption, bool result_grid);
    void batch_uninstall();
    void on_menu(bool system_grid, int row, int x);
    // Keeps the fonts that pass the ticked one of 仅显示可免费商用 and
    // 仅显示完整中文字体 (both when both are); empty when neither is ticked.
    std::function<bool(int position)> listing_filter() const;

    SystemFontControls controls_;
    SystemFontHooks hooks_;
    std::string recycle_bin_;
    ListingOrder order_ = ListingOrder::ChineseFirst;  // listing order 2, as at every start
    std::string preview_;                              // the last content of the preview box
};

}  // namespace yq
