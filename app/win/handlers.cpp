#include "app/win/handlers.h"

#include <windows.h>

#include "app/win/app_state.h"
#include "app/win/main_window.h"
#include "catalogue/win/catalogue_page.h"
#include "download/win/download_manager.h"
#include "fonts/win/font_menus.h"
#include "fonts/win/system_fonts.h"
#include "platform/win/controls.h"
#include "platform/win/grid.h"

namespace yq {

// Subsystems that are not part of the program yet leave their entries empty;
// each entry names what it will run.

void open_catalogue_on_ui_thread() {
    open_catalogue();
}

void refresh_downloaded_fonts() {}
void refresh_recycle_bin() {}
void refresh_backups() {}

void spinner_tick() {
    catalogue_spinner_tick();
}

void caption_fade_tick() {}

void close_skin_popup_on_page_press() {
    CaptionButton& skin_button = g_app.caption_buttons[5];
    if (skin_button.state != 2) return;
    skin_button.state = 0;
    InvalidateRect(g_app.main, nullptr, FALSE);
    for (SkinTab& t : g_app.tabs) {
        if (t.state != 2) t.state = 0;
    }
}

void run_menu_command(int id) {
    switch (id) {
        case 103:  // 关于我们
            MessageBoxA(nullptr,
                        "    砚青字体下载器2012\r\n"
                        "    砚青工作室出品\r\n"
                        "    http://127.0.0.1/\r\n",
                        "关于我们!", MB_OK | MB_TASKMODAL);
            break;
        default:
            break;  // 检测更新 and 官方主页 come with the update and home-page work
    }
}

void wire_event_handlers() {
    wire_system_font_page();
    wire_font_grid_menus();
    wire_catalogue_page();
    init_download_manager();
    win::on_label_notify(ctl(标签6), [] { open_catalogue_on_ui_thread(); });
    win::on_label_notify(ctl(标签13), [] {
        // Update offer of the catalogue version check.
    });
    // Picture buttons whose behaviour is not part of the program yet do nothing
    // when clicked; the rest are wired by their subsystems.
}

}  // namespace yq
