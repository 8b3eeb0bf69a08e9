#include "app/win/page_wiring.h"

#include "app/win/main_window.h"
#include "app/win/pages.h"
#include "base/version.h"
#include "catalogue/win/catalogue_page.h"
#include "collections/win/backup_page.h"
#include "collections/win/downloaded_page.h"
#include "collections/win/recycle_bin_page.h"
#include "download/win/download_manager.h"
#include "fonts/win/inventory.h"
#include "fonts/win/system_font_page.h"
#include "platform/win/handles.h"
#include "platform/win/settings.h"
#include "platform/win/shell.h"
#include "skin/win/frame.h"
#include "skin/win/status_line.h"
#include "tools/win/text_preview.h"
#include "update/win/catalogue_update.h"

#ifndef YQ_SECOND_SITE_URL
#define YQ_SECOND_SITE_URL "http://127.0.0.1:18080/"
#endif
#ifndef YQ_THIRD_SITE_URL
#define YQ_THIRD_SITE_URL "http://127.0.0.1:18080/identify/"
#endif
#ifndef YQ_CONTACT_QQ
#define YQ_CONTACT_QQ ""
#endif
#ifndef YQ_MICROBLOG_URL
#define YQ_MICROBLOG_URL "http://127.0.0.1/weibo/"
#endif

namespace yq {
namespace {

constexpr UINT kMenuCheckUpdate = 101, kMenuHomePage = 102, kMenuAbout = 103;
// The about box's first line: the product and the program's version.
constexpr char kAboutProductLine[] = "    砚青字体下载器2012  版本 " YQ_VERSION "\r\n";

void run_menu_command(Pages& pages, UINT id) {
    switch (id) {
        case kMenuAbout: {
            // The publisher's lines are build-time settings, as the home page is.
            const std::string qq = YQ_CONTACT_QQ;
            const std::string text =
                kAboutProductLine +
                std::string("    砚青工作室出品: 找字体、装字体、管字体, 一个就够。\r\n") +
                "    官方主页: " + home_page_url() +
                "\r\n"
                "    字库网站: " YQ_SECOND_SITE_URL
                "\r\n"
                "    字体识别: " YQ_THIRD_SITE_URL
                "\r\n"
                "    联系QQ: " +
                (qq.empty() ? std::string("见官方主页") : qq) +
                "\r\n"
                "    官方微博: " YQ_MICROBLOG_URL "\r\n";
            MessageBoxA(nullptr, text.c_str(), "关于我们!", MB_OK | MB_TASKMODAL);
            break;
        }
        case kMenuCheckUpdate:
            pages.update->check_from_menu();
            break;
        case kMenuHomePage:
            win::open_in_shell(home_page_url());
            break;
        default:
            break;
    }
}

// After fonts were installed: every list showing installed fonts again.
void fonts_changed(Pages& pages) {
    pages.system_fonts->fill_grid();
    pages.catalogue->refresh_rows();
}

// After a collection page installed or removed fonts: the inventory read
// again on a worker, then the same lists as after a download.
void collection_fonts_changed(Pages& pages) {
    rebuild_inventory_in_background([&pages] { fonts_changed(pages); });
}

void wire_collection_pages(Pages& pages, const ControlOf& c) {
    const CollectionHooks hooks{[&pages] { collection_fonts_changed(pages); }};
    const std::string dir = program_directory();
    pages.downloaded = std::make_unique<DownloadedPage>(
        DownloadedFontControls{.grid = c(ctl::kDownloadedGrid),
                               .count_label = c(ctl::kDownloadedCountLabel),
                               .reinstall_button = c(ctl::kReinstallButton),
                               .uninstall_button = c(ctl::kUninstallDownloadedButton),
                               .open_folder_button = c(ctl::kOpenDownloadFolderButton),
                               .select_all_box = c(ctl::kSelectAllDownloadedBox),
                               .state_label = c(ctl::kDownloadedStateLabel),
                               .switch_on_button = c(ctl::kSwitchOnButton),
                               .switch_off_button = c(ctl::kSwitchOffButton),
                               .keep_on_box = c(ctl::kKeepSwitchedOnBox)},
        dir + "\\字体下载目录\\", hooks);
    pages.recycle_bin = std::make_unique<RecycleBinPage>(
        RecycleBinControls{.grid = c(ctl::kBinGrid),
                           .count_label = c(ctl::kBinCountLabel),
                           .restore_button = c(ctl::kRestoreButton),
                           .purge_button = c(ctl::kPurgeButton),
                           .select_all_box = c(ctl::kSelectAllBinBox),
                           .empty_label = c(ctl::kBinEmptyLabel),
                           .progress_label = c(ctl::kBinProgressLabel)},
        dir + "\\字体回收站\\", hooks);
    pages.backups = std::make_unique<BackupPage>(
        BackupControls{.grid = c(ctl::kBackupGrid),
                       .back_up_button = c(ctl::kBackUpButton),
                       .restore_button = c(ctl::kRestoreBackupsButton),
                       .open_folder_button = c(ctl::kOpenBackupFolderButton),
                       .select_all_box = c(ctl::kSelectAllBackupsBox),
                       .count_label = c(ctl::kBackupCountLabel),
                       .empty_label = c(ctl::kBackupEmptyLabel),
                       .progress_label = c(ctl::kBackupProgressLabel)},
        dir + "\\字体备份\\", hooks);
}

// Pops up the control menu (控制菜单) at a main-window client point.
void show_control_menu(HWND main, Pages& pages, int x, int y) {
    win::UniqueMenu menu(CreatePopupMenu());
    AppendMenuA(menu.get(), MF_STRING | (pages.update->check_enabled() ? 0 : MF_GRAYED),
                kMenuCheckUpdate, "检测更新");
    AppendMenuA(menu.get(), MF_STRING, kMenuHomePage, "官方主页");
    AppendMenuA(menu.get(), MF_STRING, kMenuAbout, "关于我们");
    POINT p{x, y};
    ClientToScreen(main, &p);
    UINT cmd = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, p.x, p.y, 0,
                              main, nullptr);
    menu.reset();
    if (cmd) run_menu_command(pages, cmd);
}

}  // namespace

void wire_pages(HWND main, Pages& pages, const ControlOf& c) {
    // The frame's last paint step: the status text recomposed (shown by its
    // next redraw).
    pages.frame = std::make_unique<Frame>(
        main, FrameHooks{[main](int tab) { select_page(main, tab); },
                         [main, &pages](int x, int y) { show_control_menu(main, pages, x, y); },
                         [&pages] { end_program(pages); },
                         [&pages] {
                             if (pages.update) pages.update->status_after_paint();
                         }});
    pages.system_fonts = std::make_unique<SystemFontPage>(
        SystemFontControls{.main = main,
                           .font_grid = c(ctl::kFontGrid),
                           .search_result_grid = c(ctl::kSearchResultGrid),
                           .font_count_label = c(ctl::kFontCountLabel),
                           .newest_first_button = c(ctl::kNewestFirstButton),
                           .chinese_first_button = c(ctl::kChineseFirstButton),
                           .initial_letter_button = c(ctl::kInitialLetterButton),
                           .refresh_button = c(ctl::kRefreshButton),
                           .uninstall_button = c(ctl::kUninstallTickedButton),
                           .select_all_box = c(ctl::kSelectAllFontsBox),
                           .search_box = c(ctl::kSearchBox),
                           .case_sensitive_box = c(ctl::kCaseSensitiveBox),
                           .preview_text_box = c(ctl::kPreviewTextBox),
                           .free_only_box = c(ctl::kFreeOnlyBox),
                           .full_chinese_only_box = c(ctl::kFullChineseOnlyBox),
                           .uninstall_progress_label = c(ctl::kUninstallProgressLabel),
                           .no_result_label = c(ctl::kNoResultLabel)},
        program_directory() + "\\字体回收站\\",
        SystemFontHooks{[&pages] { pages.catalogue->refresh_rows(); }});
    const std::array<HWND, 5> row_preview_buttons = {
        c(ctl::kRowPreviewButtons[0]), c(ctl::kRowPreviewButtons[1]), c(ctl::kRowPreviewButtons[2]),
        c(ctl::kRowPreviewButtons[3]), c(ctl::kRowPreviewButtons[4])};
    pages.catalogue = std::make_unique<CataloguePage>(
        CatalogueControls{.group_tabs = c(ctl::kGroupTabs),
                          .category_panel = c(ctl::kCategoryPanel),
                          .list_panel = c(ctl::kListPanel),
                          .list_buffer = c(ctl::kListBuffer),
                          .page_indicator_label = c(ctl::kPageIndicatorLabel),
                          .first_page_button = c(ctl::kFirstPageButton),
                          .previous_page_button = c(ctl::kPreviousPageButton),
                          .next_page_button = c(ctl::kNextPageButton),
                          .last_page_button = c(ctl::kLastPageButton),
                          .preview_buttons = row_preview_buttons,
                          .text_preview = {c(ctl::kSampleTextBox), c(ctl::kSampleSizeBox),
                                           c(ctl::kPreviewPictureLabel), c(ctl::kSampleTextFrame),
                                           c(ctl::kSampleSizeFrame), c(ctl::kSampleSizeLabel)}},
        is_face_installed,
        // A download ends in an install: without a scope to install for,
        // the user is told once and asked about restarting elevated.
        [&pages](int row, const std::string& font, const std::string& address) {
            if (may_install_fonts()) pages.downloads->start(row, font, address);
        });
    pages.downloads = std::make_unique<DownloadManager>(
        server_url(), program_directory() + "\\字体下载目录\\",
        DownloadHooks{[&pages](const std::string& font, int percentage) {
                          pages.catalogue->download_progress(font, percentage);
                      },
                      [&pages](const std::string& font, bool installed) {
                          pages.catalogue->download_finished(font, installed);
                      },
                      [&pages] { fonts_changed(pages); }});
    // A drop's progress takes the status line's place for as long as it
    // works; the line's own text comes back when it ends.
    pages.drop = std::make_unique<FontDrop>(
        program_directory() + "\\字体下载目录\\",
        FontDropHooks{.progress =
                          [&pages, kept = std::string()](const std::string& text) mutable {
                              StatusLine& line = pages.frame->status_line();
                              if (text.empty()) {
                                  line.set_text(kept);
                                  return;
                              }
                              if (kept.empty()) kept = line.text();
                              line.set_text(text);
                          },
                      .fonts_changed = [&pages] { fonts_changed(pages); }});
    pages.text_preview = std::make_unique<TextPreview>(
        TextPreviewControls{.text_box = c(ctl::kSampleTextBox),
                            .size_box = c(ctl::kSampleSizeBox),
                            .picture_label = c(ctl::kPreviewPictureLabel),
                            .buttons = row_preview_buttons},
        server_url(), [&pages](int row) { return pages.catalogue->entry_font(row); });
    wire_collection_pages(pages, c);
    pages.update = std::make_unique<CatalogueUpdate>(
        server_url(), home_page_url(), program_directory(), pages.frame->status_line(),
        UpdateHooks{[&pages] { pages.catalogue->close(); },
                    [&pages] { pages.catalogue->open(program_directory() + "\\ztdata.mdb"); },
                    [&pages] { end_program(pages); }});
    // Picture buttons whose behaviour is not part of the program yet do nothing
    // when clicked.
}

}  // namespace yq
