#include "fonts/win/system_font_page.h"

#include "fonts/win/font_grid.h"
#include "fonts/win/font_menus.h"
#include "fonts/win/inventory.h"
#include "platform/win/controls.h"
#include "platform/win/ui_thread.h"

namespace yq {
namespace {

struct SystemFontPage {
    SystemFontControls controls{};
    ListingOrder order = ListingOrder::ChineseFirst;  // listing order 2, as at every start
};

SystemFontPage& page() {
    static SystemFontPage p;
    return p;
}

// 刷新: the rebuild reads the registry and every changed font file, so it
// runs on a worker of its own, as the start-up work's does, and the grid is
// filled through the hand-over.
DWORD WINAPI refresh_worker(void*) {
    rebuild_inventory([] { fill_system_font_grid(); });
    return 0;
}

}  // namespace

void fill_system_font_grid() {
    SystemFontPage& p = page();
    if (!p.controls.系统字体表格) return;
    fill_font_grid(p.controls.系统字体表格, p.controls.标签2, system_font_inventory(), p.order);
}

void wire_system_font_page(const SystemFontControls& controls) {
    SystemFontPage& p = page();
    p.controls = controls;
    auto order_button = [](HWND button, ListingOrder order) {
        win::on_click(button, [order] {
            page().order = order;
            fill_system_font_grid();
        });
    };
    order_button(controls.图形按钮4, ListingOrder::ChineseFirst);
    order_button(controls.图形按钮5, ListingOrder::InitialLetter);
    order_button(controls.图形按钮3, ListingOrder::NewestFirst);
    win::on_click(controls.图形按钮25, [] {
        HANDLE t = CreateThread(nullptr, 0, refresh_worker, nullptr, 0, nullptr);
        if (t) CloseHandle(t);
    });
    wire_font_grid_menus(controls.main, controls.系统字体表格, controls.系统字体表格2);
}

}  // namespace yq
