#include "fonts/win/system_font_page.h"

#include "base/file_names.h"
#include "fonts/deletion_model.h"
#include "fonts/font_report.h"
#include "fonts/font_tooltip_model.h"
#include "platform/sfnt/licence.h"
#include "fonts/search_model.h"
#include "fonts/win/font_grid.h"
#include "fonts/win/font_menus.h"
#include "fonts/win/font_primitives.h"
#include "fonts/win/font_removal.h"
#include "fonts/win/font_tooltip.h"
#include "fonts/win/face_names.h"
#include "fonts/win/inventory.h"
#include "platform/win/controls.h"
#include "platform/win/dialogs.h"
#include "platform/win/files.h"
#include "platform/win/grid.h"
#include "platform/win/ui_thread.h"

#include <algorithm>
#include <memory>

namespace yq {
namespace {

constexpr int kResultSampleHeight = 25;

// Whether a control of the page is shown, whether or not its page is the
// current one: the page's states are its controls' own.
bool visible(HWND w) {
    return (GetWindowLongA(w, GWL_STYLE) & WS_VISIBLE) != 0;
}

// --- search and preview ---------------------------------------------------------

void show_state(const SystemFontControls& c, bool grid, bool results, bool none) {
    ShowWindow(c.font_grid, grid ? SW_SHOWNA : SW_HIDE);
    ShowWindow(c.search_result_grid, results ? SW_SHOWNA : SW_HIDE);
    ShowWindow(c.no_result_label, none ? SW_SHOWNA : SW_HIDE);
}

}  // namespace

// After fonts were installed or removed: the inventory is read again on a
// worker, as the start-up work's is, and then, on the UI thread, the grid
// is filled and `then` runs.
void SystemFontPage::rebuild_and_fill(std::function<void()> then) {
    rebuild_inventory_in_background([this, then = std::move(then)] {
        fill_grid();
        if (then) then();
    });
}

void SystemFontPage::run_search() {
    const SystemFontControls& c = controls_;
    std::string query = win::caption(c.search_box);
    if (query.empty()) {
        fill_grid();
        show_state(c, true, false, false);
        return;
    }
    bool case_sensitive = SendMessageA(c.case_sensitive_box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    const FontInventory& inventory = system_font_inventory();
    std::vector<int> found = search_faces(inventory, query, case_sensitive);
    if (const std::function<bool(int)> keep = listing_filter()) {
        found.erase(std::remove_if(found.begin(), found.end(), [&](int i) { return !keep(i); }),
                    found.end());
    }
    if (found.empty()) {
        show_state(c, false, false, true);
        return;
    }
    HWND g = c.search_result_grid;
    int n = static_cast<int>(found.size());
    SendMessageA(g, WM_SETREDRAW, FALSE, 0);
    // Row 0 is kept and the rest made anew: every row of a new search starts
    // unticked, row 0 too, so no tick lands on a font the user never chose.
    win::grid_set_row_count(g, 1);
    win::grid_set_check(g, {0, 2}, false);
    win::grid_set_row_count(g, n);
    SendMessageA(c.select_all_box, BM_SETCHECK, BST_UNCHECKED, 0);  // 全选 says what the rows show
    for (int i = 0; i < n; ++i) {
        const std::string& face = inventory.face_name(found[i]);
        win::grid_set_text(g, {i, 0}, face);
        win::grid_set_text(g, {i, 1}, face);
        win::grid_set_font(g, {i, 0, i, 0, face.c_str(), kResultSampleHeight});
    }
    RECT r;
    GetWindowRect(g, &r);
    SearchColumns widths = search_column_widths(r.right - r.left, n);
    win::grid_set_column_width(g, 0, widths.sample);
    win::grid_set_column_width(g, 1, widths.name);
    SendMessageA(g, WM_SETREDRAW, TRUE, 0);
    show_state(c, false, true, false);
}

void SystemFontPage::apply_preview_text() {
    HWND g = controls_.font_grid;
    preview_ = win::caption(controls_.preview_text_box);
    int rows = win::grid_row_count(g);
    SendMessageA(g, WM_SETREDRAW, FALSE, 0);
    for (int r = 0; r < rows; ++r) {
        for (int half : {0, 1}) {
            const std::string text =
                preview_.empty() ? win::grid_text(g, {r, kNameColumn[half]}) : preview_;
            win::grid_set_text(g, {r, kSampleColumn[half]}, text);
        }
    }
    SendMessageA(g, WM_SETREDRAW, TRUE, 0);
}

// --- ticking --------------------------------------------------------------------

namespace {

void toggle(HWND g, int row, int col) {
    if (row < 0) return;
    win::grid_set_check(g, {row, col}, !win::grid_check(g, {row, col}));
}

}  // namespace

void SystemFontPage::on_system_grid_release(int x) {
    HWND g = controls_.font_grid;
    int col = system_grid_check_column(x);
    if (col >= 0) toggle(g, win::grid_cursor_row(g), col);
}

void SystemFontPage::on_result_grid_release(int x) {
    HWND g = controls_.search_result_grid;
    if (search_grid_check_hit(x, win::grid_column_width(g, 0), win::grid_column_width(g, 1),
                              win::grid_column_width(g, 2)))
        toggle(g, win::grid_cursor_row(g), 2);
}

void SystemFontPage::select_all() {
    const SystemFontControls& c = controls_;
    bool on = SendMessageA(c.select_all_box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    bool results = visible(c.search_result_grid);
    HWND g = results ? c.search_result_grid : c.font_grid;
    int rows = win::grid_row_count(g);
    for (int r = 0; r < rows; ++r) {
        win::grid_set_check(g, {r, 2}, on);
        if (!results) win::grid_set_check(g, {r, 5}, on);
    }
}

// --- deleting -------------------------------------------------------------------

namespace {

// The inventory entry of a face and the file it moves to the bin as.
struct Target {
    std::string path, value, bin_name;
    FontScope scope = FontScope::Machine;
};

Target target_of(const std::string& face, bool result_grid) {
    const FontInventory& inventory = system_font_inventory();
    int at = inventory.find(face);
    if (at == 0) return {};
    Target t{inventory.file_path(at), inventory.value_name(at), {}, inventory.scope(at)};
    t.bin_name = result_grid ? recycle_name_of_face(face) : recycle_name_of_path(t.path);
    return t;
}

RemovalOutcome remove(const Target& t, const std::string& recycle_bin) {
    if (t.path.empty()) return RemovalOutcome::NotRemoved;
    return remove_font_into_bin(t.path, t.value, t.scope, recycle_bin, t.bin_name);
}

// Whether a removal took the font off the system (its file may stay where
// the user keeps it), and if not, why, for the user.
bool counts_as_removed(RemovalOutcome o) {
    return o == RemovalOutcome::Removed || o == RemovalOutcome::RemovedFileLater ||
           o == RemovalOutcome::Unregistered;
}
const char* why_not_removed(RemovalOutcome o) {
    return o == RemovalOutcome::NotCopied ? kWhyNotCopied : kWhyNotRemoved;
}

// After deletions: the broadcast, the rebuild and the refill, then the
// search again (the result grid) or the catalogue's marks (the system grid),
// and last `done`.
}  // namespace

void SystemFontPage::after_removal(bool result_grid, std::function<void()> done) {
    broadcast_font_change();
    std::function<void()> follow_up =
        result_grid ? std::function<void()>([this] { run_search(); }) : hooks_.fonts_removed;
    rebuild_and_fill([follow_up = std::move(follow_up), done = std::move(done)] {
        if (follow_up) follow_up();
        if (done) done();
    });
}

// One font, chosen from its context menu: no question asked, and a box only
// when it could not be removed.
void SystemFontPage::delete_one(const std::string& caption, bool result_grid) {
    std::string face = face_from_delete_caption(caption);
    if (face.empty()) return;
    Target t = target_of(face, result_grid);
    if (t.path.empty()) return;
    RemovalOutcome outcome = remove(t, recycle_bin_);
    after_removal(result_grid);
    if (!counts_as_removed(outcome))
        win::message_box(batch_summary("删除", 0, {{face, why_not_removed(outcome)}}));
}

// The progress label stays up, and a second press says "卸载进行中!", until the grid has
// been refilled from the new inventory: a press before that would act on
// rows that no longer show what is installed. The fonts that could not be
// removed are named in one box at the end.
void SystemFontPage::batch_uninstall() {
    const SystemFontControls& c = controls_;
    if (visible(c.uninstall_progress_label)) {
        win::message_box("卸载进行中!");
        return;
    }
    if (win::message_box("是否执行批量卸载?", nullptr, MB_YESNO) != IDYES) return;
    ShowWindow(c.uninstall_progress_label, SW_SHOWNA);
    bool results = visible(c.search_result_grid);
    HWND g = results ? c.search_result_grid : c.font_grid;
    const int rows = win::grid_row_count(g);
    const int base = results ? rows : system_font_inventory().count();
    const int factor = results ? 100 : 200;
    win::MessagePump pump;
    std::string progress;
    int removed = 0;
    auto failed = std::make_shared<std::vector<FailedFont>>();
    auto process = [&](int r, int name_col) {
        std::string face = win::grid_text(g, {r, name_col});
        Target t = target_of(face, false);
        if (t.path.empty()) return;  // gone from the inventory: skipped without a word
        RemovalOutcome outcome = remove(t, recycle_bin_);
        const bool ok = counts_as_removed(outcome);
        if (ok) {
            ++removed;
        } else {
            failed->push_back({face, why_not_removed(outcome)});
        }
        progress = batch_progress_text(face, r, base, factor, ok);
        // The caption is shown when it can be seen: at each repaint.
        if (pump.repaint_due()) win::set_caption(c.uninstall_progress_label, progress);
        pump.after_item();
    };
    for (int r = 0; r < rows; ++r) {
        if (win::grid_check(g, {r, 2})) process(r, 1);
        if (!results && win::grid_check(g, {r, 5})) process(r, 4);
    }
    if (!progress.empty())
        win::set_caption(c.uninstall_progress_label, progress);  // the last font's
    after_removal(results, [label = c.uninstall_progress_label, removed, failed] {
        ShowWindow(label, SW_HIDE);
        if (!failed->empty()) win::message_box(batch_summary("卸载", removed, *failed));
    });
}

// --- menus ------------------------------------------------------------------------

void SystemFontPage::on_menu(bool system_grid, int row, int x) {
    const SystemFontControls& c = controls_;
    HWND g = system_grid ? c.font_grid : c.search_result_grid;
    FontMenuChoice choice = show_font_menu(c.main, g, system_grid, row, x);
    int cursor = win::grid_cursor_row(g);
    switch (choice.command) {
        case FontMenuCommand::CopyFaceName: {
            if (cursor < 0) return;
            std::string left = win::grid_text(g, {cursor, 1});
            // On the system grid the left font was chosen when the caption
            // names column 1's face; otherwise it was the right one.
            bool left_font = !system_grid || delete_item_caption(left) == choice.delete_caption;
            copy_to_clipboard(c.main, left_font ? left : win::grid_text(g, {cursor, 4}));
            break;
        }
        case FontMenuCommand::CopyFileName: {
            const FontInventory& inventory = system_font_inventory();
            int at = inventory.find(face_from_delete_caption(choice.delete_caption));
            if (at != 0)
                copy_to_clipboard(c.main, std::string(file_name_of(inventory.file_path(at))));
            break;
        }
        case FontMenuCommand::DeleteFont:
            delete_one(choice.delete_caption, !system_grid);
            break;
        case FontMenuCommand::None:
            break;
    }
}

// --- the sample tooltip --------------------------------------------------------

namespace {

// A sample cell rested on shows its font's file, scope and coverage; the
// coverage is read from the font's cmap the first time and remembered with
// its face name. Any other event hides the tooltip.
void on_sample_hover(HWND g, win::GridEvent e, int row, int col) {
    if (e != win::GridEvent::Hover || (col != kSampleColumn[0] && col != kSampleColumn[1])) {
        hide_font_tooltip();
        return;
    }
    const FontInventory& inventory = system_font_inventory();
    // The name cell beside it: the sample may show the user's preview text.
    int at = inventory.find(win::grid_text(g, {row, col + 1}));
    if (at == 0) return;
    std::string path = inventory.file_path(at);
    show_font_tooltip(g, font_tooltip_text(path, inventory.scope(at), cached_hanzi_coverage(path),
                                           cached_face_licence(path)));
}

}  // namespace

std::function<bool(int)> SystemFontPage::listing_filter() const {
    auto ticked = [](HWND box) { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; };
    const bool free_only = ticked(controls_.free_only_box);
    const bool full_chinese_only = ticked(controls_.full_chinese_only_box);
    if (!free_only && !full_chinese_only) return {};
    // The class and the counts come from the face-name store; a font the
    // store has neither for yet is read once, and remembered.
    return [free_only, full_chinese_only](int position) {
        const std::string path = system_font_inventory().file_path(position);
        if (free_only && cached_face_licence(path).kind != LicenceClass::kFree) return false;
        if (full_chinese_only) {
            const sfnt::HanziCoverage coverage = cached_hanzi_coverage(path);
            if (!coverage.ok || coverage.gb2312 != sfnt::kGb2312HanziCount) return false;
        }
        return true;
    };
}

void SystemFontPage::fill_grid() {
    fill_font_grid(controls_.font_grid, controls_.font_count_label, system_font_inventory(), order_,
                   listing_filter());
    // The fill starts every row unticked; 全选 says so while it acts on this grid.
    if (!visible(controls_.search_result_grid))
        SendMessageA(controls_.select_all_box, BM_SETCHECK, BST_UNCHECKED, 0);
}

SystemFontPage::SystemFontPage(const SystemFontControls& controls, std::string recycle_bin,
                               SystemFontHooks hooks)
    : controls_(controls), hooks_(std::move(hooks)), recycle_bin_(std::move(recycle_bin)) {
    auto order_button = [this](HWND button, ListingOrder order) {
        win::on_click(button, [this, order] {
            order_ = order;
            fill_grid();
        });
    };
    order_button(controls.chinese_first_button, ListingOrder::ChineseFirst);
    order_button(controls.initial_letter_button, ListingOrder::InitialLetter);
    order_button(controls.newest_first_button, ListingOrder::NewestFirst);
    // 刷新: the rebuild reads the registry and every changed font file, so it
    // runs on a worker.
    win::on_click(controls.refresh_button, [this] { rebuild_and_fill(); });
    win::on_click(controls.uninstall_button, [this] { batch_uninstall(); });
    win::on_command(controls.select_all_box, [this](int code) {
        if (code == BN_CLICKED) select_all();
    });
    win::on_command(controls.search_box, [this](int code) {
        if (code == EN_CHANGE) run_search();
    });
    // 区分大小写 ticked or unticked: the results follow the new rule at once.
    win::on_command(controls.case_sensitive_box, [this](int code) {
        if (code == BN_CLICKED && !win::caption(controls_.search_box).empty()) run_search();
    });
    // 仅显示可免费商用 or 仅显示完整中文字体 ticked or unticked: the grid and
    // the results follow.
    for (HWND box : {controls.free_only_box, controls.full_chinese_only_box}) {
        win::on_command(box, [this](int code) {
            if (code != BN_CLICKED) return;
            fill_grid();
            // Results on show are searched again under the new rule.
            if (visible(controls_.search_result_grid) || visible(controls_.no_result_label))
                run_search();
        });
    }
    win::on_command(controls.preview_text_box, [this](int code) {
        if (code == EN_CHANGE) apply_preview_text();
    });
    win::on_grid_mouse(controls.font_grid, [this](win::GridEvent e, int row, int col, int x, int) {
        on_sample_hover(controls_.font_grid, e, row, col);
        if (e == win::GridEvent::LeftUp) on_system_grid_release(x);
        if (e == win::GridEvent::RightUp) on_menu(true, row, x);
    });
    win::on_grid_mouse(controls.search_result_grid,
                       [this](win::GridEvent e, int row, int col, int x, int) {
                           on_sample_hover(controls_.search_result_grid, e, row, col);
                           if (e == win::GridEvent::LeftUp) on_result_grid_release(x);
                           if (e == win::GridEvent::RightUp) on_menu(false, row, x);
                       });
}

}  // namespace yq
