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
#include <vector>

#include "fonts/inventory_model.h"
#include "fonts/win/font_primitives.h"

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

// Installs a font file as install_font (font_primitives.h) does, for the
// scope its face is installed for already, or for install_scope() when the
// face is not installed (Failed when there is none). What a reinstall or a
// restore uses. `used` (may be null) receives the scope. UI thread.
InstallResult install_font_in_its_scope(const std::string& path, std::string& file_name,
                                        FontScope* used = nullptr);

// The inventory's entries whose face, as name_key (install_record.h) gives
// it, is one of `keys`. Any thread: a worker asks the UI thread, which owns
// the inventory; with no UI thread (tests) there are none.
struct InstalledFace {
    std::string face, path, value_name;
    FontScope scope = FontScope::Machine;
};
std::vector<InstalledFace> installed_faces_named(const std::vector<std::string>& keys);

// Whether fonts can be installed in this run. When no scope can be (an
// older Windows without administrator rights), the first call of the run
// says so in a box and offers to start the program again elevated; if the
// user agrees and the new one starts, this one closes. UI thread.
bool may_install_fonts();

}  // namespace yq
