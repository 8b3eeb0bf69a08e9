#include "fonts/win/font_grid.h"

#include <algorithm>
#include <string>

#include "fonts/win/font_primitives.h"
#include "platform/win/controls.h"
#include "platform/win/grid.h"

namespace yq {
namespace {

FontDate creation_date(std::string path) {
    if (path.size() < 2 || path[1] != ':') path = fonts_folder() + path;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return static_cast<int64_t>(static_cast<uint64_t>(data.ftCreationTime.dwHighDateTime) << 32 |
                                data.ftCreationTime.dwLowDateTime);
}

}  // namespace

std::vector<FontDate> font_file_dates(const FontInventory& inventory) {
    std::vector<FontDate> dates;
    dates.reserve(inventory.count());
    for (int i = 1; i <= inventory.count(); ++i)
        dates.push_back(creation_date(inventory.file_path(i)));
    return dates;
}

void fill_font_grid(HWND grid, HWND label, FontInventory& inventory, ListingOrder order,
                    const std::function<bool(int position)>& keep) {
    std::vector<FontDate> dates;
    if (order == ListingOrder::NewestFirst) dates = font_file_dates(inventory);
    std::vector<int> placement = order_for_listing(inventory, order, dates);
    if (keep) {
        placement.erase(std::remove_if(placement.begin(), placement.end(),
                                       [&](int position) { return !keep(position); }),
                        placement.end());
    }
    SystemFontGridLayout layout = lay_out_system_font_grid(inventory, placement);
    // One repaint at the end instead of one invalidation per cell.
    SendMessageA(grid, WM_SETREDRAW, FALSE, 0);
    // Every row starts unticked: a tick belongs to the font it was given to,
    // and a new fill puts other fonts in those rows. Rows past the first are
    // made anew; the first keeps its cells, so its ticks are cleared here.
    win::grid_set_row_count(grid, 1);
    for (int col : kCheckColumn) win::grid_set_check(grid, {0, col}, false);
    win::grid_set_row_count(grid, layout.row_count);
    for (const GridSlot& slot : layout.slots) {
        int sample = kSampleColumn[slot.half], name = kNameColumn[slot.half];
        if (slot.position != 0) {
            win::grid_set_font(grid,
                               {slot.row, sample, slot.row, sample, slot.face_name.c_str(), 0});
        }
        win::grid_set_text(grid, {slot.row, sample}, slot.face_name);
        win::grid_set_text(grid, {slot.row, name}, slot.face_name);
    }
    for (int half : {0, 1}) {
        win::grid_set_font(grid, {0, kSampleColumn[half], layout.row_count - 1, kSampleColumn[half],
                                  nullptr, kSampleFontHeight});
    }
    SendMessageA(grid, WM_SETREDRAW, TRUE, 0);
    if (label && !layout.label.empty()) win::set_caption(label, layout.label);
}

}  // namespace yq
