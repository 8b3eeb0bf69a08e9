// The download manager: one worker thread per font download, started from a
// catalogue row's install button. Each worker fetches the packed font into
// the download folder, checks and unpacks it, installs it, rebuilds the
// installed-font inventory and tells the pages. Reports of all workers are
// serialised by the download lock (this subsystem's own); everything that
// touches a window runs on the UI thread, through the hooks.
#pragma once

#include <functional>
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

// Keeps the server's base URL, the download folder and the hooks. Call once
// at start-up on the UI thread, before the first download.
void init_download_manager(const std::string& server_url, const std::string& download_folder,
                           DownloadHooks hooks);

// Starts the download of a catalogue row's font on a worker of its own (UI
// thread). A name that can be no file in the download folder or the Fonts
// folder is refused at once with "数据下载错误".
void start_download(int row, const std::string& font_name, const std::string& address);

}  // namespace yq
