#include "app/win/startup_steps.h"

#include "app/win/pages.h"
#include "catalogue/win/catalogue_page.h"
#include "collections/win/downloaded_page.h"
#include "fonts/win/face_names.h"
#include "fonts/win/font_removal.h"
#include "fonts/win/install_records.h"
#include "fonts/win/inventory.h"
#include "fonts/win/system_font_page.h"
#include "platform/win/settings.h"
#include "platform/win/ui_thread.h"
#include "update/win/catalogue_update.h"

namespace yq {

void startup_rebuild_inventory() {
    // The font files are read here, on the background thread; the UI thread
    // only takes the finished inventory. Face names read by earlier runs are
    // kept in the program folder, so only new or changed fonts are opened.
    set_face_cache_file(program_directory() + "\\字体名缓存.dat");
    // Per-user font files Windows held when they were removed go now,
    // before the inventory is read.
    set_leftover_list_file(program_directory() + "\\待删除字体.txt");
    // What the program installed itself, so that it never takes another
    // font's place or removes a font that is not its own.
    set_install_record_file(program_directory() + "\\已装字体记录.dat");
    delete_leftover_fonts();
    rebuild_inventory();
}

std::vector<std::string> startup_face_names() {
    std::vector<std::string> names;
    win::run_on_ui([&] {
        const FontInventory& inventory = system_font_inventory();
        for (int i = 1; i <= inventory.count(); ++i) names.push_back(inventory.face_name(i));
    });
    return names;
}

void startup_list_downloaded_fonts(Pages& pages) {
    pages.downloaded->refresh();
}

void startup_fill_font_grid(Pages& pages) {
    win::run_on_ui([&pages] { pages.system_fonts->fill_grid(); });
}

void startup_open_catalogue(Pages& pages) {
    win::run_on_ui([&pages] { pages.catalogue->open(program_directory() + "\\ztdata.mdb"); });
}

// The last step: the catalogue version, then the program's, both fetched
// here and never in a paint.
void startup_check_catalogue_version(Pages& pages) {
    pages.update->check_catalogue_version();
    pages.update->check_program_version();
}

}  // namespace yq
