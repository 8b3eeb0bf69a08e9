// The downloaded fonts page (我的字体): the files of 字体下载目录 listed with
// each face drawn in itself, 重装 (reinstall the ticked fonts), 卸载
// (uninstall the ticked fonts and delete their downloaded files; the copies
// in the Fonts folder stay), 全选, 打开字体目录, and 临时启用 / 停用 (the
// ticked fonts switched on for this logon only, without installing them,
// and off again; the list marks those that are on, and the program
// switches them off as it ends unless 退出后仍启用 is ticked). The page owns its
// controls, given to it when the main window is wired, and its state.
#pragma once

#include <windows.h>

#include <string>

#include "collections/win/list_page.h"
#include "fonts/win/temporary_fonts.h"

namespace yq {

struct DownloadedFontControls {
    HWND grid;                // file name, face name, check box
    HWND count_label;         // "已下载字体数:" + count
    HWND reinstall_button;    // 重装
    HWND uninstall_button;    // 卸载
    HWND open_folder_button;  // 打开字体目录
    HWND select_all_box;      // 全选
    HWND state_label;         // the empty-list message, or the reinstall's progress
    HWND switch_on_button;    // 临时启用
    HWND switch_off_button;   // 停用
    HWND keep_on_box;         // 退出后仍启用
};

// The page: made once when the main window is wired and owned by it.
class DownloadedPage {
  public:
    // `folder` is 字体下载目录, ending in a backslash.
    DownloadedPage(const DownloadedFontControls& controls, std::string folder,
                   CollectionHooks hooks);
    DownloadedPage(const DownloadedPage&) = delete;
    DownloadedPage& operator=(const DownloadedPage&) = delete;

    // Lists the folder again on the calling thread (the start-up work calls
    // it from its own) and fills the page on the UI thread. While a
    // reinstall runs the list is left alone: the reinstall lists it when it
    // ends.
    void refresh();

    // The program is ending: the fonts it switched on go off, unless the
    // user ticked 退出后仍启用.
    void end_of_run();

  private:
    void show_listing(const std::vector<ListedFont>& fonts);
    void reinstall();
    void uninstall_and_delete();
    void switch_ticked(bool on);
    // Switches off the ticked fonts that are on (before they are
    // reinstalled or deleted).
    void switch_off_ticked_silently();

    const DownloadedFontControls controls_;
    const std::string folder_;
    const CollectionHooks hooks_;
    bool reinstalling_ = false;
    TemporaryFonts switched_on_;
};

}  // namespace yq
