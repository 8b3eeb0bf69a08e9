// Lays an installed-font inventory into a system font grid: two fonts a row,
// each with a sample cell drawn in the font's own face, a name cell and a
// check box, in a listing order.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "fonts/inventory_model.h"

namespace yq {

// Creation time of every inventory font's file (position i + 1 at index i),
// for the newest-first order. A bare file name is looked up in the Fonts
// folder; an unreadable file gives an empty date, which sorts as oldest.
std::vector<FontDate> font_file_dates(const FontInventory& inventory);

// Fills `grid` with the inventory in `order` (reordering the inventory for the
// initial-letter and newest-first orders) and, when any font was placed, sets
// the caption of `label` (may be null) to "系统字体数:" and the number placed.
// Nothing placed leaves one empty row and the label as it was. The grid is
// repainted once, when the fill is done. With `keep`, only the fonts whose
// position (from 1) it keeps are placed. UI thread of the grid.
void fill_font_grid(HWND grid, HWND label, FontInventory& inventory, ListingOrder order,
                    const std::function<bool(int position)>& keep = {});

}  // namespace yq
