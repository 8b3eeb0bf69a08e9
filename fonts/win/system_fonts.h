// The installed-font inventory as the program keeps it, and the system font
// grid (系统字体表格) it fills. The inventory lives on the UI thread: a worker
// reads the registry and the font files on its own thread, then hands the
// finished inventory and the grid fill to the UI thread, so a rebuild started
// by the user and one started by a worker never interleave.
#pragma once

#include <functional>
#include <string>

#include "fonts/inventory_model.h"
#include "fonts/win/installed_fonts.h"

namespace yq {

// The program's inventory (UI thread only).
FontInventory& system_font_inventory();

// Reads the registry and the font files on the calling thread, then on the UI
// thread replaces the inventory (unless a rebuild started later has already
// replaced it: an older result never overwrites a newer one) and runs
// then_on_ui.
void rebuild_inventory(const std::function<void()>& then_on_ui = {});

// rebuild_inventory, then the grid fill.
void rebuild_inventory_and_fill_grid();

// Fills 系统字体表格 in the current listing order and sets 标签2.
void fill_system_font_grid();

// Whether a face is installed (UI thread).
bool is_face_installed(const std::string& face);

// Wires the order buttons and 刷新 of the system font page.
void wire_system_font_page();

}  // namespace yq
