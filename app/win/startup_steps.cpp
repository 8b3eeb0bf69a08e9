#include "app/win/startup_steps.h"

namespace yq {

// Subsystems fill these in as they join the program.
void startup_rebuild_inventory() {}
std::vector<std::string> startup_face_names() { return {}; }
void startup_list_downloaded_fonts() {}
void startup_fill_font_grid() {}
void startup_check_catalogue_version() {}

}  // namespace yq
