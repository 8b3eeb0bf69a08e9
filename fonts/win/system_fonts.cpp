#include "fonts/win/system_fonts.h"

#include <windows.h>

#include <vector>

#include "app/win/app_state.h"
#include "fonts/win/font_primitives.h"
#include "platform/win/controls.h"
#include "platform/win/grid.h"
#include "platform/win/handles.h"
#include "platform/win/ui_thread.h"

namespace yq {
namespace {

FontInventory g_inventory;

// Creation time of a font file in FILETIME ticks; empty when unreadable.
FontDate creation_date(std::string path) {
    if (path.size() < 2 || path[1] != ':') path = fonts_folder() + path;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return static_cast<int64_t>(static_cast<uint64_t>(data.ftCreationTime.dwHighDateTime) << 32 |
                                data.ftCreationTime.dwLowDateTime);
}

}  // namespace

FontInventory read_installed_fonts() {
    FontInventory inventory;
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, kFontsKey, &key) != ERROR_SUCCESS) return inventory;
    win::UniqueRegKey owner(key);
    // A value whose name or data is longer than a small buffer is read again
    // with a buffer of its size: a long collection name must not end the
    // enumeration and hide every font after it.
    std::vector<char> name(256), data(256);
    for (DWORD index = 0;; ++index) {
        DWORD name_len = static_cast<DWORD>(name.size());
        DWORD data_len = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG rc = RegEnumValueA(key, index, name.data(), &name_len, nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &data_len);
        if (rc == ERROR_MORE_DATA) {
            DWORD max_name = 0, max_data = 0;
            RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             &max_name, &max_data, nullptr, nullptr);
            name.resize(std::max<size_t>(name.size() * 2, max_name + 1));
            data.resize(std::max<size_t>(data.size() * 2, max_data + 1));
            --index;  // read the same value again
            if (name.size() > (1u << 20) || data.size() > (1u << 24)) break;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        std::string path(data.data(), strnlen(data.data(), data_len));
        std::string face = listing_face_name(path);
        inventory.append(std::move(face), std::move(path), std::string(name.data(), name_len));
    }
    return inventory;
}

FontInventory& system_font_inventory() { return g_inventory; }

bool is_face_installed(const std::string& face) { return g_inventory.find(face) != 0; }

void rebuild_inventory_and_fill_grid() {
    FontInventory fresh = read_installed_fonts();
    win::run_on_ui([&] {
        g_inventory = std::move(fresh);
        fill_system_font_grid();
    });
}

void fill_system_font_grid() {
    HWND grid = ctl(系统字体表格);
    auto order = static_cast<ListingOrder>(g_app.listing_order);
    std::vector<FontDate> dates;
    if (order == ListingOrder::NewestFirst) {
        dates.reserve(g_inventory.count());
        for (int i = 1; i <= g_inventory.count(); ++i) {
            dates.push_back(creation_date(g_inventory.file_path(i)));
        }
    }
    std::vector<int> placement = order_for_listing(g_inventory, order, dates);
    SystemFontGridLayout layout = lay_out_system_font_grid(g_inventory, placement);
    SendMessageA(grid, WM_SETREDRAW, FALSE, 0);
    win::grid_set_row_count(grid, (g_inventory.count() + 1) / 2 > 0 ? (g_inventory.count() + 1) / 2
                                                                     : 1);
    for (const GridSlot& slot : layout.slots) {
        int sample = kSampleColumn[slot.half], name = kNameColumn[slot.half];
        if (slot.position != 0) {
            win::grid_set_font(grid, {slot.row, sample, slot.row, sample, slot.face_name.c_str(), 0});
        }
        win::grid_set_text(grid, slot.row, sample, slot.face_name);
        win::grid_set_text(grid, slot.row, name, slot.face_name);
    }
    win::grid_set_row_count(grid, layout.row_count);
    win::grid_set_font(grid, {0, kSampleColumn[0], layout.row_count - 1, kSampleColumn[0], nullptr,
                              kSampleFontHeight});
    win::grid_set_font(grid, {0, kSampleColumn[1], layout.row_count - 1, kSampleColumn[1], nullptr,
                              kSampleFontHeight});
    SendMessageA(grid, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(grid, nullptr, FALSE);
    if (!layout.label.empty()) win::set_caption(ctl(标签2), layout.label);
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
