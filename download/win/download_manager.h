// The download manager: one worker thread per font download, started from a
// catalogue row's install button. Each worker fetches the packed font into
// the download folder, checks and unpacks it, installs it, rebuilds the
// installed-font inventory and tells the pages. Reports of all workers are
// serialised by the download lock (this subsystem's own); everything that
// touches a window runs on the UI thread, through the hooks.
#pragma once

#include <functional>
#include <mutex>
#include <string>

namespace yq {

// What a download tells the pages; each runs on the UI thread.
struct DownloadHooks {
    // A percentage of the download of a font.
    std::function<void(const std::string& font, int percent)> progress;
    // The download of a font ended, installed or not.
    std::function<void(const std::string& font, bool installed)> finished;
    // A font was installed and the inventory rebuilt: lists showing
    // installed fonts are filled again.
    std::function<void()> fonts_changed;
};

// The manager: made once when the main window is wired and owned by it; its
// workers report through it, so it lives as long as the process does.
class DownloadManager {
  public:
    // The server's base URL, the download folder (with its separator) and
    // the pages' reactions. UI thread.
    DownloadManager(std::string server_url, std::string download_folder, DownloadHooks hooks);
    DownloadManager(const DownloadManager&) = delete;
    DownloadManager& operator=(const DownloadManager&) = delete;

    // Starts the download of a catalogue row's font on a worker of its own
    // (UI thread). A name that can be no file in the download folder or the
    // Fonts folder is refused at once with "数据下载错误".
    void start(int row, const std::string& font_name, const std::string& address);

  private:
    const std::string server_url_;
    const std::string folder_;
    const DownloadHooks hooks_;
    // Serialises the reports of all downloads: percentages, and the whole
    // completion (check, unpack, install, inventory, rows). The UI thread
    // never takes it, so a worker may hold it across a hand-over to the UI
    // thread: what it waits for can never wait for the lock.
    std::mutex lock_;
};

}  // namespace yq
