// The recycle bin page (回收站): the files of 字体回收站 (fonts removed on the
// system font page) listed, 还原 (install the ticked fonts again and take
// them out of the bin) and 清空 (delete the ticked files for good), and
// 全选. A font leaves the bin only once it is back in the Fonts folder,
// byte for byte, and registered. The page owns its controls and state.
#pragma once

#include <windows.h>

#include <string>

#include "collections/win/list_page.h"

namespace yq {

struct RecycleBinControls {
    HWND grid;            // file name, face name, check box
    HWND count_label;     // shown and hidden with the grid
    HWND restore_button;  // 还原
    HWND purge_button;    // 清空
    HWND select_all_box;  // 全选
    HWND empty_label;     // "没得删了!": the bin is empty
    HWND progress_label;  // the restore's or purge's progress
};

// The page: made once when the main window is wired and owned by it.
class RecycleBinPage {
  public:
    // `folder` is 字体回收站, ending in a backslash.
    RecycleBinPage(const RecycleBinControls& controls, std::string folder, CollectionHooks hooks);
    RecycleBinPage(const RecycleBinPage&) = delete;
    RecycleBinPage& operator=(const RecycleBinPage&) = delete;

    // Lists the bin again and fills the page (UI thread). While a restore or
    // a purge runs the list is left alone: it is listed when that ends.
    void refresh();

  private:
    void restore();
    void purge();

    const RecycleBinControls controls_;
    const std::string folder_;
    const CollectionHooks hooks_;
    bool busy_ = false;  // a restore or purge runs, or the purge's question is open
};

}  // namespace yq
