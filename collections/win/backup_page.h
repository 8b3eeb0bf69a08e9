// The backup page (备份): 一键备份 copies every installed font file into
// 字体备份, the folder's fonts are listed, 一键还原 installs the ticked ones
// again under their own names, and 打开备份目录 opens the folder. Backups
// are never deleted or overwritten by another font's file. The page owns its
// controls and state.
#pragma once

#include <windows.h>

#include <string>

#include "collections/win/list_page.h"

namespace yq {

struct BackupControls {
    HWND grid;                // file name, face name, check box
    HWND back_up_button;      // 一键备份
    HWND restore_button;      // 一键还原
    HWND open_folder_button;  // 打开备份目录
    HWND select_all_box;      // 全选
    HWND count_label;         // "已备份字体数:" + count
    HWND empty_label;         // "你还未备份过!赶紧备份吧!": nothing backed up
    HWND progress_label;      // the backup's or restore's progress
};

// The page: made once when the main window is wired and owned by it.
class BackupPage {
  public:
    // `folder` is 字体备份, ending in a backslash.
    BackupPage(const BackupControls& controls, std::string folder, CollectionHooks hooks);
    BackupPage(const BackupPage&) = delete;
    BackupPage& operator=(const BackupPage&) = delete;

    // The page is shown (UI thread): the folder is listed at the first
    // visit in a run; a backup lists it again when it ends.
    void visit();

  private:
    void refresh();
    void show_backups(const std::vector<ListedFont>& fonts);
    void back_up_everything();
    void restore_ticked();

    const BackupControls controls_;
    const std::string folder_;
    const CollectionHooks hooks_;
    bool listed_ = false;  // the grid shows the folder (a visit or a backup filled it)
};

}  // namespace yq
