// What the three collection pages (我的字体, 回收站, 备份) share: the folder
// font listing that fills their list grids (file name, face name, check
// box), the ticking of those grids, and the loop of their long operations
// over the ticked rows. UI thread, except list_font_folder.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "fonts/font_report.h"
#include "fonts/win/font_primitives.h"

namespace yq {

// What follows an install or removal made by a collection page, given to
// each page by the main window: the inventory rebuilt, then the system font
// grid and the catalogue's installed marks refreshed.
struct CollectionHooks {
    std::function<void()> fonts_changed;
};

struct ListedFont {
    std::string file;  // the file name, without folder
    std::string face;  // its face name
};

// The readable fonts of `folder` (ending in a backslash): its files in the
// order the system lists them, each with its face name from the face-name
// store (files unchanged since their names were read are not opened).
// Folders, files that are not fonts and files still being written
// (".yqpart") are left out. Any thread.
std::vector<ListedFont> list_font_folder(const std::string& folder);

// Fills a list grid with a listing: column 0 the file name, column 1 the
// face name (drawn in its own face when `own_face`), column 2 ticked; the
// widths of columns 0 and 1 from the grid's width and the row count (a
// scroll bar from 19 rows on). An empty listing leaves one empty row; the
// caller shows its page's empty state then.
void fill_list_grid(HWND grid, const std::vector<ListedFont>& fonts, bool own_face);

// A release of the left button inside the check column (w0 + w1 < x <
// w0 + w1 + w2) toggles the tick of the cursor row; the select-all box sets
// every row to its own new state.
void wire_list_ticks(HWND grid, HWND select_all);

// Whether a control is shown (its own style, whichever page is current):
// the busy labels tell whether an operation runs.
bool shown(HWND control);
void show(HWND control, bool on);

// The loop of reinstall, restore and purge: for i = 1 to n, n the row count
// read once, the caption prefix + trunc(i / current row count * 100) + "%"
// is set and the pending messages are dispatched, before (or, with
// `caption_after`, after) `each` runs on the file name of row i - 1 when
// that row is ticked. Rows are read as they stand at each step.
void for_each_ticked_row(HWND grid, HWND label, std::string_view prefix, bool caption_after,
                         const std::function<void(const std::string& file)>& each);

// Counts one install of a batch: installed, or the same bytes there
// already, succeeded; anything else goes on `failed` under `name` with why.
void count_install(const std::string& name, const InstallResult& result, int& succeeded,
                   std::vector<FailedFont>& failed);

// What a batch of installs came to, for its closing box (batch_summary).
struct BatchCount {
    int succeeded = 0;
    std::vector<FailedFont> failed;
};

// The install loop of 重装, the bin's 还原 and 一键还原: with the Fonts folder
// writable, `install` runs on the file of each ticked row as
// for_each_ticked_row runs it (its caption in `label`), each result is
// counted, the font change is broadcast once, and `label` is hidden.
BatchCount install_ticked_rows(
    HWND grid, HWND label, std::string_view prefix, bool caption_after,
    const std::function<InstallResult(const std::string& file)>& install);

}  // namespace yq
