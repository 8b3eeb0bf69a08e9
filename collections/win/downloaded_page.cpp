#include "collections/win/downloaded_page.h"

#include "collections/collection_model.h"
#include "fonts/font_report.h"
#include "fonts/win/font_primitives.h"
#include "fonts/win/install_records.h"
#include "fonts/win/inventory.h"
#include "platform/win/controls.h"
#include "platform/win/dialogs.h"
#include "platform/win/files.h"
#include "platform/win/grid.h"
#include "platform/win/shell.h"
#include "platform/win/ui_thread.h"

namespace yq {
namespace {

constexpr char kEmptyMessage[] = "你还没下载过呢,或本地清单还未刷新请稍后在试!";

}  // namespace

void DownloadedPage::show_listing(const std::vector<ListedFont>& fonts) {
    const DownloadedFontControls& c = controls_;
    if (!c.grid || reinstalling_) return;
    fill_list_grid(c.grid, fonts, true);
    const bool filled = !fonts.empty();
    win::set_caption(c.count_label, count_caption("已下载字体数:", static_cast<int>(fonts.size())));
    for (HWND w : {c.grid, c.uninstall_button, c.select_all_box, c.reinstall_button})
        show(w, filled);
    if (!filled) win::set_caption(c.state_label, kEmptyMessage);
    show(c.state_label, !filled);
}

// 重装: every ticked font installed again from its downloaded file, under
// its own (space-stripped) name. The state label is shown while the list is empty and
// while a reinstall runs, so a second click does nothing. A font that could
// not be installed is named in one box at the end.
void DownloadedPage::reinstall() {
    const DownloadedFontControls& c = controls_;
    if (shown(c.state_label) || !may_install_fonts()) return;
    win::set_caption(c.state_label, "字体重装中....");
    show(c.state_label, true);
    reinstalling_ = true;
    const BatchCount count = install_ticked_rows(
        c.grid, c.state_label, "字体重装中:", false, [&](const std::string& file) {
            std::string name = file;
            return install_font_in_its_scope(folder_ + file, name);
        });
    reinstalling_ = false;
    refresh();
    if (hooks_.fonts_changed) hooks_.fonts_changed();
    if (!count.failed.empty())
        win::message_box(batch_summary("重装", count.succeeded, count.failed));
}

// 卸载: no question asked. Each ticked file is deleted from the download
// folder; a font the program installed from it is unregistered first, its
// copy in the Fonts folder left where it is. A font of that face that
// anybody else installed is not the program's to take off: it stays.
void DownloadedPage::uninstall_and_delete() {
    HWND g = controls_.grid;
    const int n = win::grid_row_count(g);
    int done = 0;
    std::vector<FailedFont> failed;
    for (int r = 0; r < n && r < win::grid_row_count(g); ++r) {
        if (!win::grid_check(g, {r, 2})) continue;
        const std::string file = win::grid_text(g, {r, 0});
        if (file.empty()) continue;
        if (std::optional<OwnInstall> own = own_install_of_face(win::grid_text(g, {r, 1}))) {
            SetFileAttributesA(own->path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
            const bool unregistered = unregister_font(own->path, own->value_name, own->scope);
            // A font added more than once in this session (installed, then
            // reinstalled) holds a resource for each time.
            remove_font_resource_and_broadcast(own->path);
            if (!unregistered) failed.push_back({file, kWhyNotRemoved});
        }
        const std::string path = folder_ + file;
        if (win::is_plain_file_directly_in(folder_, path) && win::delete_file(path)) {
            ++done;
        } else {
            failed.push_back({file, kWhyNotDeleted});
        }
    }
    broadcast_font_change();
    refresh();
    if (hooks_.fonts_changed) hooks_.fonts_changed();
    if (!failed.empty()) win::message_box(batch_summary("卸载", done, failed));
}

DownloadedPage::DownloadedPage(const DownloadedFontControls& controls, std::string folder,
                               CollectionHooks hooks)
    : controls_(controls), folder_(std::move(folder)), hooks_(std::move(hooks)) {
    wire_list_ticks(controls.grid, controls.select_all_box);
    win::on_click(controls.reinstall_button, [this] { reinstall(); });
    win::on_click(controls.uninstall_button, [this] { uninstall_and_delete(); });
    win::on_click(controls.open_folder_button, [this] { win::open_in_shell(folder_); });
}

void DownloadedPage::refresh() {
    // The folder never changes after the page is made: any thread may read it.
    std::vector<ListedFont> fonts = list_font_folder(folder_);
    win::run_on_ui([&] { show_listing(fonts); });
}

}  // namespace yq
