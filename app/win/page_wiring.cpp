#include "app/win/page_wiring.h"

#include "app/win/main_window.h"
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

HWND c(Ctl id) {
    return main_window_control(id);
}

void run_menu_command(UINT id) {
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
            check_for_updates_from_menu();
            break;
        case kMenuHomePage:
            win::open_in_shell(home_page_url());
            break;
        default:
            break;
    }
}

// After fonts were installed: every list showing installed fonts again.
void fonts_changed() {
    fill_system_font_grid();
    refresh_catalogue_rows();
}

// After a collection page installed or removed fonts: the inventory read
// again on a worker, then the same lists as after a download.
void collection_fonts_changed() {
    rebuild_inventory_in_background(fonts_changed);
}

void wire_collection_pages() {
    const std::string dir = program_directory();
    wire_downloaded_page({c(我的字体表格), c(标签3), c(图形按钮27), c(图形按钮14), c(图形按钮28),
                          c(选择框2), c(标签6)},
                         dir + "\\字体下载目录\\", {collection_fonts_changed});
    wire_recycle_bin_page(
        {c(回收站表格), c(标签4), c(图形按钮16), c(图形按钮15), c(选择框1), c(标签5), c(标签9)},
        dir + "\\字体回收站\\", {collection_fonts_changed});
    wire_backup_page({c(备份表格), c(图形按钮1), c(图形按钮10), c(图形按钮29), c(选择框3),
                      c(标签19), c(标签7), c(标签8)},
                     dir + "\\字体备份\\", {collection_fonts_changed});
}

}  // namespace

void spinner_tick() {
    catalogue_spinner_tick();
}

void show_control_menu(int x, int y) {
    HWND main = main_window();
    win::UniqueMenu menu(CreatePopupMenu());
    AppendMenuA(menu.get(), MF_STRING | (update_check_enabled() ? 0 : MF_GRAYED), kMenuCheckUpdate,
                "检测更新");
    AppendMenuA(menu.get(), MF_STRING, kMenuHomePage, "官方主页");
    AppendMenuA(menu.get(), MF_STRING, kMenuAbout, "关于我们");
    POINT p{x, y};
    ClientToScreen(main, &p);
    UINT cmd = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, p.x, p.y, 0,
                              main, nullptr);
    menu.reset();
    if (cmd) run_menu_command(cmd);
}

void wire_pages(HWND main) {
    // The frame's last paint step: the working folders made again if they
    // went, and the status text recomposed (shown by its next redraw).
    attach_frame(main, {select_page, show_control_menu, [] { end_program(); },
                        [] {
                            prepare_working_folders();
                            status_after_paint();
                        }});
    wire_system_font_page({main, c(系统字体表格), c(系统字体表格2), c(标签2), c(图形按钮3),
                           c(图形按钮4), c(图形按钮5), c(图形按钮25), c(图形按钮17), c(选择框4),
                           c(编辑框1), c(选择框5), c(编辑框2), c(标签18), c(标签20)},
                          program_directory() + "\\字体回收站\\", {refresh_catalogue_rows});
    wire_catalogue_page(
        {c(高级选择夹2),
         c(分类画板),
         c(前台画板),
         c(后台画板),
         c(标签1),
         c(图形按钮2),
         c(图形按钮6),
         c(图形按钮7),
         c(图形按钮8),
         {c(图形按钮18), c(图形按钮19), c(图形按钮20), c(图形按钮21), c(图形按钮22)},
         {c(编辑框4), c(编辑框5), c(标签14), c(标签15), c(标签16), c(标签17)}},
        is_face_installed,
        // A download ends in an install: without a scope to install for,
        // the user is told once and asked about restarting elevated.
        [](int row, const std::string& font, const std::string& address) {
            if (may_install_fonts()) start_download(row, font, address);
        });
    init_download_manager(server_url(), program_directory() + "\\字体下载目录\\",
                          {catalogue_download_progress,
                           [](const std::string& font, bool installed) {
                               catalogue_download_finished(font, installed);
                           },
                           fonts_changed});
    wire_text_preview({c(编辑框4),
                       c(编辑框5),
                       c(标签14),
                       {c(图形按钮18), c(图形按钮19), c(图形按钮20), c(图形按钮21), c(图形按钮22)}},
                      server_url(), catalogue_entry_font);
    wire_collection_pages();
    init_update(server_url(), home_page_url(), program_directory(),
                {close_catalogue, [] { open_catalogue(program_directory() + "\\ztdata.mdb"); },
                 [] { end_program(); }});
    // Picture buttons whose behaviour is not part of the program yet do nothing
    // when clicked.
}

}  // namespace yq
