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

}  // namespace

void BackupPage::show_backups(const std::vector<ListedFont>& fonts) {
    const BackupControls& c = controls_;
    listed_ = true;
    fill_list_grid(c.grid, fonts, false);
    const bool filled = !fonts.empty();
    if (filled)
        win::set_caption(c.count_label,
                         count_caption("已备份字体数:", static_cast<int>(fonts.size())));
    show(c.empty_label, !filled);
    show(c.grid, filled);
    show(c.select_all_box, filled);
    EnableWindow(c.restore_button, filled);
}

// 一键备份: every file of the inventory, the grid's ticks playing no part.
// The progress label first shows the caption it has (the design's "备份进行中." in a new
// run, else the last operation's). The files are copied on workers while
// the UI thread dispatches messages and shows the percentage done; the
// inventory is taken as it stands when the button is pressed, since it may
// be replaced meanwhile.
void BackupPage::back_up_everything() {
    const BackupControls& c = controls_;
    if (shown(c.progress_label)) return;
    show(c.progress_label, true);
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
                back_up_fonts(fonts, folder_, kBackupThreads, done);
                listing = list_font_folder(folder_);
            },
            [&] { listing = list_font_folder(folder_); });
        finished.store(true);
    });
    win::MessagePump pump;
    int shown_done = -1;
    while (!finished.load()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kProgressPollMs, QS_ALLINPUT);
        const int now = done.load();
        // Thousands of small copies: the caption is set when it can be seen.
        if (now != shown_done && now > 0 && pump.repaint_due()) {
            win::set_caption(c.progress_label, progress_caption("备份进行中:", now, n));
            shown_done = now;
        }
        pump.after_item();
    }
    copies.join();
    if (n > 0) win::set_caption(c.progress_label, progress_caption("备份进行中:", n, n));
    show_backups(listing);
    show(c.progress_label, false);
}

// 一键还原: the ticked backups installed under their own names, spaces kept.
// The backups stay in the folder. "安装完毕!" only when every one of them
// is installed; otherwise the box counts them and names those that failed.
void BackupPage::restore_ticked() {
    const BackupControls& c = controls_;
    if (shown(c.progress_label) || !may_install_fonts()) return;
    win::set_caption(c.progress_label, "还原进行中:");
    show(c.progress_label, true);
    const BatchCount count = install_ticked_rows(
        c.grid, c.progress_label, "还原进行中:", true, [&](const std::string& file) {
            std::string own_name;
            return install_font_in_its_scope(folder_ + file, own_name);
        });
    if (hooks_.fonts_changed) hooks_.fonts_changed();
    win::message_box(batch_summary("安装", count.succeeded, count.failed));
}

BackupPage::BackupPage(const BackupControls& controls, std::string folder, CollectionHooks hooks)
    : controls_(controls), folder_(std::move(folder)), hooks_(std::move(hooks)) {
    wire_list_ticks(controls.grid, controls.select_all_box);
    win::on_click(controls.back_up_button, [this] { back_up_everything(); });
    win::on_click(controls.restore_button, [this] { restore_ticked(); });
    win::on_click(controls.open_folder_button, [this] { win::open_in_shell(folder_); });
}

void BackupPage::refresh() {
    show_backups(list_font_folder(folder_));
}

void BackupPage::visit() {
    if (!listed_) refresh();
}

}  // namespace yq
