// The catalogue update: the version check against the server's /ztpz.txt
// (at the end of the start-up work, and from the control menu's 检测更新),
// the offer of a newer catalogue, its download into "zt.data" and its
// install as ztdata.mdb; the program version check against /My.txt; and
// the status line that reports them. The status line's parts are kept
// here and written on the UI thread only: workers hand every change over
// with win::run_on_ui.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace yq {

class StatusLine;

struct UpdateHooks {
    std::function<void()> close_catalogue;  // UI thread: the database file is let go
    std::function<void()> open_catalogue;   // UI thread: reopened and shown as at start-up
    std::function<void()> end_program;      // after the browser was asked to open a page
};

// The update: made once when the main window is wired and owned by it; its
// workers (the checks and the download) use it until the process ends.
class CatalogueUpdate {
  public:
    // `server` is the catalogue server's base URL (no trailing slash),
    // `home_page` the publisher's home page, `program_folder` where
    // ztdata.mdb lives (no trailing backslash), `status_line` where the
    // checks report (it outlives the update). UI thread, before the
    // start-up work.
    CatalogueUpdate(std::string server, std::string home_page, std::string program_folder,
                    StatusLine& status_line, UpdateHooks hooks);
    ~CatalogueUpdate();
    CatalogueUpdate(const CatalogueUpdate&) = delete;
    CatalogueUpdate& operator=(const CatalogueUpdate&) = delete;

    // The catalogue version check, on the calling worker: the status line
    // tells the outcome, and a newer catalogue is offered on the UI thread
    // (the worker waits for the answer).
    void check_catalogue_version();

    // 检测更新: disables the menu item and checks on a new detached worker.
    // UI thread.
    void check_from_menu();
    // Whether 检测更新 may be picked now.
    bool check_enabled() const;

    // Fetches /My.txt on the calling worker, once per run, and hands the
    // answer to the UI thread, which asks at most once whether to fetch a
    // newer program. A failed fetch asks nothing.
    void check_program_version();

    // The end of every paint of the main window: the program label and the
    // plain local catalogue version put into the status text, to be shown
    // by the next redraw of the status line. No file or network is touched.
    void status_after_paint();

    struct State;  // the status line's parts, the versions, the menu's state

  private:
    std::unique_ptr<State> state_;
};

}  // namespace yq
