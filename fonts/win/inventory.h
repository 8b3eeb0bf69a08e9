// The installed-font inventory as the program keeps it: one per process,
// on the UI thread. A rebuild reads the registry and the font files on the
// calling (worker) thread, then hands the finished inventory over to the UI
// thread, so a rebuild started by the user and one started by a worker
// never interleave.
//
// This is the fonts subsystem's interface for the other subsystems: they
// ask whether a face is installed and rebuild after installing.
#pragma once

#include <functional>
#include <string>

#include "fonts/inventory_model.h"

namespace yq {

// The program's inventory (UI thread only).
FontInventory& system_font_inventory();

// Reads the registry and the font files on the calling thread, then on the UI
// thread replaces the inventory (unless a rebuild started later has already
// replaced it: an older result never overwrites a newer one) and runs
// then_on_ui. Call it from a worker: on the UI thread the reading would hold
// up the window.
void rebuild_inventory(const std::function<void()>& then_on_ui = {});

// The same on a worker thread of its own, for the UI thread after fonts were
// installed or removed: then_on_ui runs on the UI thread once the new
// inventory is in place.
void rebuild_inventory_in_background(std::function<void()> then_on_ui = {});

// Whether a face is installed (UI thread).
bool is_face_installed(const std::string& face);

}  // namespace yq
