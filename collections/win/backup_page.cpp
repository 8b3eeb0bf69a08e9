#include "collections/win/backup_page.h"

#include "collections/collection_model.h"
#include "collections/win/backup_copy.h"
#include "fonts/win/font_primitives.h"
#include "fonts/win/inventory.h"
#include "platform/win/controls.h"
#include "platform/win/dialogs.h"
#include "platform/win/shell.h"
#include "platform/win/ui_thread.h"

namespace yq {
namespace {

struct BackupPage {
    BackupControls controls{};
    std::string folder;
    CollectionHooks hooks;
};

BackupPage& page() {
    static BackupPage p;
    return p;
}

// 一键备份: every file of the inventory, the grid's ticks playing no part.
// 标签8 first shows the caption it has (the design's "备份进行中." in a new
// run, else the last operation's). The inventory may be replaced while
// messages are dispatched: its count is read once, and each file is taken
// from the inventory as it is at that moment.
void back_up_everything() {
    BackupPage& p = page();
    const BackupControls& c = p.controls;
    if (shown(c.标签8)) return;
    show(c.标签8, true);
    const int n = system_font_inventory().count();
    win::MessagePump pump;
    std::string progress;
    for (int i = 1; i <= n; ++i) {
        const FontInventory& inventory = system_font_inventory();
        if (i <= inventory.count())
            back_up_font(inventory.file_path(i), inventory.face_name(i), p.folder);
        progress = progress_caption("备份进行中:", i, system_font_inventory().count());
        // Thousands of small copies: the caption is set when it can be seen.
        if (pump.repaint_due()) win::set_caption(c.标签8, progress);
        pump.after_item();
    }
    if (!progress.empty()) win::set_caption(c.标签8, progress);
    refresh_backups();
    show(c.标签8, false);
}

// 一键还原: the ticked backups installed under their own names, spaces kept.
// The backups stay in the folder.
void restore_ticked() {
    BackupPage& p = page();
    const BackupControls& c = p.controls;
    if (shown(c.标签8)) return;
    win::set_caption(c.标签8, "还原进行中:");
    show(c.标签8, true);
    {
        FontsFolderUnlocked writable;
        for_each_ticked_row(c.备份表格, c.标签8, "还原进行中:", true, [&](const std::string& file) {
            std::string own_name;
            install_font(p.folder + file, own_name);
        });
        broadcast_font_change();
    }
    show(c.标签8, false);
    if (p.hooks.fonts_changed) p.hooks.fonts_changed();
    win::message_box("安装完毕!");
}

}  // namespace

void wire_backup_page(const BackupControls& controls, const std::string& folder,
                      CollectionHooks hooks) {
    BackupPage& p = page();
    p.controls = controls;
    p.folder = folder;
    p.hooks = std::move(hooks);
    wire_list_ticks(controls.备份表格, controls.选择框3);
    win::on_click(controls.图形按钮1, back_up_everything);
    win::on_click(controls.图形按钮10, restore_ticked);
    win::on_click(controls.图形按钮29, [] { win::open_in_shell(page().folder); });
}

void refresh_backups() {
    BackupPage& p = page();
    const BackupControls& c = p.controls;
    if (!c.备份表格) return;
    std::vector<ListedFont> fonts = list_font_folder(p.folder);
    fill_list_grid(c.备份表格, fonts, false);
    const bool filled = !fonts.empty();
    if (filled) win::set_caption(c.标签19, count_caption("已备份字体数:", static_cast<int>(fonts.size())));
    show(c.标签7, !filled);
    show(c.备份表格, filled);
    show(c.选择框3, filled);
    EnableWindow(c.图形按钮10, filled);
}

}  // namespace yq
