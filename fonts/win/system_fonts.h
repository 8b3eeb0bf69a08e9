// The installed-font inventory as the program keeps it, and the system font
// grid (系统字体表格) it fills. The inventory lives on the UI thread: a worker
// reads the registry and the font files on its own thread, then hands the
// finished inventory and the grid fill to the UI thread, so a rebuild started
// by the user and one started by a worker never interleave.
#pragma once

#include <string>
#include <vector>

#include "fonts/inventory_model.h"

namespace yq {

// Reads the fonts registry key and every font's face name into a new
// inventory. Any thread; touches no shared state.
FontInventory read_installed_fonts();

// The program's inventory (UI thread only).
FontInventory& system_font_inventory();

// Replaces the inventory (on the UI thread) and refills the grid.
void rebuild_inventory_and_fill_grid();

// Fills 系统字体表格 in the current listing order and sets 标签2.
void fill_system_font_grid();

// Whether a face is installed (UI thread).
bool is_face_installed(const std::string& face);

// Wires the order buttons and 刷新 of the system font page.
void wire_system_font_page();

}  // namespace yq
