#include "collections/win/list_page.h"

#include "base/file_names.h"
#include "collections/collection_model.h"
#include "fonts/deletion_model.h"
#include "fonts/search_model.h"
#include "fonts/win/face_names.h"
#include "platform/win/controls.h"
#include "platform/win/files.h"
#include "platform/win/grid.h"
#include "platform/win/ui_thread.h"

namespace yq {
namespace {

// Cell height of the file names on 我的字体.
constexpr int kFileNameHeight = 25;

}  // namespace

std::vector<ListedFont> list_font_folder(const std::string& folder) {
    std::vector<ListedFile> files;
    std::vector<std::string> names;
    // Wide-character listing: a name that code page 936 cannot hold is left
    // out rather than turned into another name, which could be another
    // file's.
    for (win::FolderFile& f : win::list_folder_files(folder)) {
        if (is_partial_file_name(f.name)) continue;
        files.push_back({folder + f.name, f.size, f.write_time});
        names.push_back(std::move(f.name));
    }
    std::vector<std::string> faces = listed_face_names(files);
    std::vector<ListedFont> fonts;
    for (size_t i = 0; i < names.size(); ++i) {
        if (!faces[i].empty()) fonts.push_back({std::move(names[i]), std::move(faces[i])});
    }
    return fonts;
}

void fill_list_grid(HWND g, const std::vector<ListedFont>& fonts, bool own_face) {
    const int n = static_cast<int>(fonts.size());
    SendMessageA(g, WM_SETREDRAW, FALSE, 0);
    // Row 0 is kept and the others made anew; an empty listing leaves row 0
    // blank and unticked, so that nothing acts on a font no longer listed.
    win::grid_set_row_count(g, 1);
    if (n == 0) {
        for (int c = 0; c < 2; ++c) win::grid_set_text(g, {0, c}, "");
        win::grid_set_check(g, {0, 2}, false);
    } else {
        win::grid_set_row_count(g, n);
    }
    for (int r = 0; r < n; ++r) {
        win::grid_set_text(g, {r, 0}, fonts[r].file);
        if (own_face) win::grid_set_font(g, {r, 1, r, 1, fonts[r].face.c_str(), 0});
        win::grid_set_text(g, {r, 1}, fonts[r].face);
        win::grid_set_check(g, {r, 2}, true);
    }
    if (n > 0) {
        RECT rect;
        GetWindowRect(g, &rect);
        // The same rule as the search results: a third less the scroll bar's
        // room from 19 rows on.
        SearchColumns widths = search_column_widths(rect.right - rect.left, n);
        win::grid_set_column_width(g, 0, widths.sample);
        win::grid_set_column_width(g, 1, widths.name);
        if (own_face) win::grid_set_font(g, {0, 0, n - 1, 0, nullptr, kFileNameHeight});
    }
    SendMessageA(g, WM_SETREDRAW, TRUE, 0);
}

void wire_list_ticks(HWND grid, HWND select_all) {
    win::on_grid_mouse(grid, [grid](win::GridEvent e, int, int, int x, int) {
        if (e != win::GridEvent::LeftUp) return;
        if (!search_grid_check_hit(x, win::grid_column_width(grid, 0),
                                   win::grid_column_width(grid, 1),
                                   win::grid_column_width(grid, 2)))
            return;
        int row = win::grid_cursor_row(grid);
        if (row >= 0) win::grid_set_check(grid, {row, 2}, !win::grid_check(grid, {row, 2}));
    });
    win::on_command(select_all, [grid, select_all](int code) {
        if (code != BN_CLICKED) return;
        bool on = SendMessageA(select_all, BM_GETCHECK, 0, 0) == BST_CHECKED;
        int rows = win::grid_row_count(grid);
        for (int r = 0; r < rows; ++r) win::grid_set_check(grid, {r, 2}, on);
    });
}

bool shown(HWND control) {
    return (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

void show(HWND control, bool on) {
    ShowWindow(control, on ? SW_SHOWNA : SW_HIDE);
}

void for_each_ticked_row(HWND g, HWND label, std::string_view prefix, bool caption_after,
                         const std::function<void(const std::string& file)>& each) {
    const int n = win::grid_row_count(g);
    win::MessagePump pump;
    for (int i = 1; i <= n; ++i) {
        auto progress = [&] {
            win::set_caption(label, progress_caption(prefix, i, win::grid_row_count(g)));
            pump.after_item();
        };
        if (!caption_after) progress();
        // The rows as they stand now: the messages just dispatched may have
        // listed the folder again.
        const int r = i - 1;
        if (r < win::grid_row_count(g) && win::grid_check(g, {r, 2})) {
            std::string file = win::grid_text(g, {r, 0});
            if (!file.empty()) each(file);
        }
        if (caption_after) progress();
    }
}

void count_install(const std::string& name, const InstallResult& result, int& succeeded,
                   std::vector<FailedFont>& failed) {
    switch (result.status) {
        case InstallStatus::Installed:
        case InstallStatus::AlreadyInstalled:
            ++succeeded;
            return;
        case InstallStatus::FaceTaken:
            failed.push_back({name, kWhyFaceTaken});
            return;
        case InstallStatus::NotAFont:
            failed.push_back({name, kWhyNotAFont});
            return;
        case InstallStatus::Failed:
            failed.push_back({name, kWhyInstallFailed});
            return;
    }
}

BatchCount install_ticked_rows(
    HWND grid, HWND label, std::string_view prefix, bool caption_after,
    const std::function<InstallResult(const std::string& file)>& install) {
    BatchCount count;
    {
        FontsFolderUnlocked writable;
        for_each_ticked_row(grid, label, prefix, caption_after, [&](const std::string& file) {
            count_install(file, install(file), count.succeeded, count.failed);
        });
        broadcast_font_change();
    }
    show(label, false);
    return count;
}

}  // namespace yq
