#include "collections/win/backup_page.h"

#include <atomic>
#include <thread>

#include "base/worker_guard.h"
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

// Copies at once: two keep the wine server and the disk busy, more only
// queue behind them.
constexpr unsigned kBackupThreads = 2;
// How long the UI thread waits for input before it looks at the count done.
constexpr DWORD kProgressPollMs = 10;

struct BackupPage {
    BackupControls controls{};
    std::string folder;
    CollectionHooks hooks;
};

BackupPage& page() {
    static BackupPage p;
    return p;
}

void show_backups(const std::vector<ListedFont>& fonts) {
    const BackupControls& c = page().controls;
    fill_list_grid(c.备份表格, fonts, false);
    const bool filled = !fonts.empty();
    if (filled)
        win::set_caption(c.标签19, count_caption("已备份字体数:", static_cast<int>(fonts.size())));
    show(c.标签7, !filled);
    show(c.备份表格, filled);
    show(c.选择框3, filled);
    EnableWindow(c.图形按钮10, filled);
}

// 一键备份: every file of the inventory, the grid's ticks playing no part.
// 标签8 first shows the caption it has (the design's "备份进行中." in a new
// run, else the last operation's). The files are copied on workers while
// the UI thread dispatches messages and shows the percentage done; the
// inventory is taken as it stands when the button is pressed, since it may
// be replaced meanwhile.
void back_up_everything() {
    BackupPage& p = page();
    const BackupControls& c = p.controls;
    if (shown(c.标签8)) return;
    show(c.标签8, true);
    std::vector<BackupSource> fonts;
    const FontInventory& inventory = system_font_inventory();
    for (int i = 1; i <= inventory.count(); ++i)
        fonts.push_back({inventory.file_path(i), inventory.face_name(i)});
    const int n = static_cast<int>(fonts.size());
    std::atomic<int> done{0};
    std::atomic<bool> finished{false};
    // The folder is listed on the worker too: reading thousands of names
    // and the store would hold the UI thread up.
    std::vector<ListedFont> listing;
    std::thread copies([&] {
        run_guarded(
            "the backup",
            [&] {
                back_up_fonts(fonts, p.folder, kBackupThreads, done);
                listing = list_font_folder(p.folder);
            },
            [&] { listing = list_font_folder(p.folder); });
        finished.store(true);
    });
    win::MessagePump pump;
    int shown_done = -1;
    while (!finished.load()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kProgressPollMs, QS_ALLINPUT);
        const int now = done.load();
        // Thousands of small copies: the caption is set when it can be seen.
        if (now != shown_done && now > 0 && pump.repaint_due()) {
            win::set_caption(c.标签8, progress_caption("备份进行中:", now, n));
            shown_done = now;
        }
        pump.after_item();
    }
    copies.join();
    if (n > 0) win::set_caption(c.标签8, progress_caption("备份进行中:", n, n));
    show_backups(listing);
    show(c.标签8, false);
}

// 一键还原: the ticked backups installed under their own names, spaces kept.
// The backups stay in the folder. "安装完毕!" only when every one of them
// is installed; otherwise the box counts them and names those that failed.
void restore_ticked() {
    BackupPage& p = page();
    const BackupControls& c = p.controls;
    if (shown(c.标签8) || !may_install_fonts()) return;
    win::set_caption(c.标签8, "还原进行中:");
    show(c.标签8, true);
    int installed = 0;
    std::vector<FailedFont> failed;
    {
        FontsFolderUnlocked writable;
        for_each_ticked_row(c.备份表格, c.标签8, "还原进行中:", true, [&](const std::string& file) {
            std::string own_name;
            count_install(file, install_font_in_its_scope(p.folder + file, own_name), installed,
                          failed);
        });
        broadcast_font_change();
    }
    show(c.标签8, false);
    if (p.hooks.fonts_changed) p.hooks.fonts_changed();
    win::message_box(batch_summary("安装", installed, failed));
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
    if (!page().controls.备份表格) return;
    show_backups(list_font_folder(page().folder));
}

}  // namespace yq
