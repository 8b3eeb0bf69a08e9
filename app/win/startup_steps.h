// The steps of the start-up background work that belong to other subsystems.
// They run on the background thread, in this order.
#pragma once

#include <string>
#include <vector>

namespace yq {

struct Pages;

void startup_rebuild_inventory();                    // installed-font inventory
std::vector<std::string> startup_face_names();       // its face names, in order
void startup_list_downloaded_fonts(Pages& pages);    // the downloaded fonts page
void startup_fill_font_grid(Pages& pages);           // 系统字体表格
void startup_open_catalogue(Pages& pages);           // the catalogue page, on the UI thread
void startup_check_catalogue_version(Pages& pages);  // status line, update offer, program version

}  // namespace yq
