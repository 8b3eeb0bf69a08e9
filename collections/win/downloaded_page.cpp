#include "collections/win/downloaded_page.h"

#include <cstdio>

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
// Column 3 marks the fonts switched on for this logon.
constexpr int kOnColumn = 3;
constexpr int kOnColumnWidth = 48;
constexpr char kOnMark[] = "已启用";
constexpr char kWhyNotSwitchedOn[] = "无法启用";
constexpr char kWhyNotSwitchedOff[] = "无法停用";

}  // namespace

void DownloadedPage::show_listing(const std::vector<ListedFont>& fonts) {
    const DownloadedFontControls& c = controls_;
    if (!c.grid || reinstalling_) return;
    fill_list_grid(c.grid, fonts, true);
    const bool filled = !fonts.empty();
    // The mark column is there while any font is on, and takes its room
    // from the file names.
    const int mark_width = filled && switched_on_.any_on() ? kOnColumnWidth : 0;
    win::grid_set_column_width(c.grid, 0, win::grid_column_width(c.grid, 0) - mark_width);
    win::grid_set_column_width(c.grid, kOnColumn, mark_width);
    for (size_t r = 0; r < fonts.size(); ++r)
        win::grid_set_text(c.grid, {static_cast<int>(r), kOnColumn},
                           switched_on_.is_on(folder_ + fonts[r].file) ? kOnMark : "");
    if (!filled) win::grid_set_text(c.grid, {0, kOnColumn}, "");
    win::set_caption(c.count_label, count_caption("已下载字体数:", static_cast<int>(fonts.size())));
    for (HWND w : {c.grid, c.uninstall_button, c.select_all_box, c.reinstall_button,
                   c.switch_on_button, c.switch_off_button, c.keep_on_box})
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
    // A font switched on for the logon is installed for good now.
    switch_off_ticked_silently();
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
    // A font switched on holds its file: it goes off before the file goes.
    switch_off_ticked_silently();
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

// 临时启用 / 停用: each ticked font's downloaded file switched on for this
// logon, or off. Nothing is installed: no registry value, no copy in a
// Fonts folder. A font that would not go on or off is named in one box.
void DownloadedPage::switch_ticked(bool on) {
    HWND g = controls_.grid;
    int done = 0;
    std::vector<FailedFont> failed;
    for (int r = 0; r < win::grid_row_count(g); ++r) {
        if (!win::grid_check(g, {r, 2})) continue;
        const std::string file = win::grid_text(g, {r, 0});
        if (file.empty()) continue;
        const std::string path = folder_ + file;
        // Only a font file of the download folder itself is switched.
        const bool switched = win::is_plain_file_directly_in(folder_, path) &&
                              (on ? switched_on_.switch_on(path) : switched_on_.switch_off(path));
        if (switched) {
            ++done;
        } else {
            failed.push_back({file, on ? kWhyNotSwitchedOn : kWhyNotSwitchedOff});
        }
    }
    refresh();
    if (!failed.empty()) win::message_box(batch_summary(on ? "临时启用" : "停用", done, failed));
}

void DownloadedPage::switch_off_ticked_silently() {
    HWND g = controls_.grid;
    for (int r = 0; r < win::grid_row_count(g); ++r) {
        if (!win::grid_check(g, {r, 2})) continue;
        const std::string file = win::grid_text(g, {r, 0});
        if (!file.empty()) switched_on_.switch_off(folder_ + file);
    }
}

void DownloadedPage::end_of_run() {
    if (!switched_on_.any_on()) return;
    const bool keep = SendMessageA(controls_.keep_on_box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (!keep) switched_on_.switch_all_off();
    std::fprintf(stderr, "yanqing: fonts switched on for the logon %s at exit\n",
                 keep ? "kept on" : "switched off");
}

DownloadedPage::DownloadedPage(const DownloadedFontControls& controls, std::string folder,
                               CollectionHooks hooks)
    : controls_(controls), folder_(std::move(folder)), hooks_(std::move(hooks)) {
    wire_list_ticks(controls.grid, controls.select_all_box);
    win::on_click(controls.reinstall_button, [this] { reinstall(); });
    win::on_click(controls.uninstall_button, [this] { uninstall_and_delete(); });
    win::on_click(controls.open_folder_button, [this] { win::open_in_shell(folder_); });
    win::on_click(controls.switch_on_button, [this] { switch_ticked(true); });
    win::on_click(controls.switch_off_button, [this] { switch_ticked(false); });
}

void DownloadedPage::refresh() {
    // The folder never changes after the page is made: any thread may read it.
    std::vector<ListedFont> fonts = list_font_folder(folder_);
    win::run_on_ui([&] { show_listing(fonts); });
}

}  // namespace yq
