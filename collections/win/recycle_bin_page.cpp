#include "collections/win/recycle_bin_page.h"

#include "fonts/win/font_primitives.h"
#include "fonts/win/inventory.h"
#include "platform/win/controls.h"
#include "platform/win/dialogs.h"
#include "platform/win/files.h"

namespace yq {
namespace {

// Deletes a file of the bin for good, made plain first (read-only, hidden
// or system would stop the delete); only a plain file of the bin itself.
bool delete_from_bin(const std::string& folder, const std::string& path) {
    if (!win::is_plain_file_directly_in(folder, path)) return false;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    return win::delete_file(path);
}

// Installs the bin's file under its own (space-stripped) name and lets go of
// it only when the Fonts folder holds the same bytes and the registry names
// that file: otherwise the file stays and is listed again. The same bytes
// installed already need no copy in the bin either.
InstallResult restore_file(const std::string& folder, const std::string& file) {
    const std::string source = folder + file;
    std::string name = file;
    FontScope scope = FontScope::Machine;
    InstallResult result = install_font_in_its_scope(source, name, &scope);
    if (result.status == InstallStatus::AlreadyInstalled ||
        (result.status == InstallStatus::Installed && installed_as(source, name, scope))) {
        delete_from_bin(folder, source);
    } else if (result.status == InstallStatus::Installed) {
        result.status = InstallStatus::Failed;  // not what arrived: the bin keeps its copy
    }
    return result;
}

}  // namespace

void RecycleBinPage::restore() {
    const RecycleBinControls& c = controls_;
    if (busy_ || shown(c.progress_label) || !may_install_fonts()) return;
    busy_ = true;
    win::set_caption(c.progress_label, "还原字体中:");
    show(c.progress_label, true);
    const BatchCount count =
        install_ticked_rows(c.grid, c.progress_label, "还原字体中:", false,
                            [&](const std::string& file) { return restore_file(folder_, file); });
    busy_ = false;
    refresh();
    if (hooks_.fonts_changed) hooks_.fonts_changed();
    if (!count.failed.empty())
        win::message_box(batch_summary("还原", count.succeeded, count.failed));
}

// The purged files were not installed: nothing but this list changes.
void RecycleBinPage::purge() {
    const RecycleBinControls& c = controls_;
    if (busy_ || shown(c.progress_label)) return;
    busy_ = true;  // the question's own message loop must not start a restore
    if (win::message_box("确实要永久删除选中的文件吗?", nullptr, MB_OKCANCEL) != IDOK) {
        busy_ = false;
        return;
    }
    win::set_caption(c.progress_label, "清理字体中:");
    show(c.progress_label, true);
    int purged = 0;
    std::vector<FailedFont> failed;
    for_each_ticked_row(c.grid, c.progress_label, "清理字体中:", false,
                        [&](const std::string& file) {
                            if (delete_from_bin(folder_, folder_ + file)) {
                                ++purged;
                            } else {
                                failed.push_back({file, kWhyNotDeleted});
                            }
                        });
    show(c.progress_label, false);
    busy_ = false;
    refresh();
    if (!failed.empty()) win::message_box(batch_summary("清理", purged, failed));
}

RecycleBinPage::RecycleBinPage(const RecycleBinControls& controls, std::string folder,
                               CollectionHooks hooks)
    : controls_(controls), folder_(std::move(folder)), hooks_(std::move(hooks)) {
    wire_list_ticks(controls.grid, controls.select_all_box);
    win::on_click(controls.restore_button, [this] { restore(); });
    win::on_click(controls.purge_button, [this] { purge(); });
}

void RecycleBinPage::refresh() {
    const RecycleBinControls& c = controls_;
    if (busy_) return;
    std::vector<ListedFont> fonts = list_font_folder(folder_);
    fill_list_grid(c.grid, fonts, false);
    const bool filled = !fonts.empty();
    show(c.empty_label, !filled);
    for (HWND w : {c.count_label, c.grid, c.purge_button, c.restore_button, c.select_all_box})
        show(w, filled);
}

}  // namespace yq
