#include "fonts/win/system_fonts.h"

#include "app/win/app_state.h"
#include "fonts/win/font_grid.h"
#include "platform/win/controls.h"
#include "platform/win/ui_thread.h"

namespace yq {
namespace {

FontInventory g_inventory;
// Rebuilds are numbered when they start; a result replaces the inventory only
// when no rebuild started after it has been applied already. UI thread only.
int g_started = 0, g_applied = 0;

}  // namespace

FontInventory& system_font_inventory() {
    return g_inventory;
}

bool is_face_installed(const std::string& face) {
    return g_inventory.find(face) != 0;
}

void rebuild_inventory(const std::function<void()>& then_on_ui) {
    int generation = 0;
    win::run_on_ui([&] { generation = ++g_started; });
    FontInventory fresh = read_installed_fonts();
    win::run_on_ui([&] {
        if (generation > g_applied) {
            g_applied = generation;
            g_inventory = std::move(fresh);
        }
        if (then_on_ui) then_on_ui();
    });
}

void rebuild_inventory_and_fill_grid() {
    rebuild_inventory([] { fill_system_font_grid(); });
}

void fill_system_font_grid() {
    fill_font_grid(ctl(系统字体表格), ctl(标签2), g_inventory,
                   static_cast<ListingOrder>(g_app.listing_order));
}

void wire_system_font_page() {
    auto order_button = [](Ctl button, ListingOrder order) {
        win::on_click(ctl(button), [order] {
            g_app.listing_order = static_cast<int>(order);
            fill_system_font_grid();
        });
    };
    order_button(图形按钮4, ListingOrder::ChineseFirst);
    order_button(图形按钮5, ListingOrder::InitialLetter);
    order_button(图形按钮3, ListingOrder::NewestFirst);
    win::on_click(ctl(图形按钮25), [] { rebuild_inventory_and_fill_grid(); });
}

}  // namespace yq
