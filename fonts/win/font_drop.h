// Installing what is dropped on the main window: font files, folders of
// them and .zip packs, on a worker of its own, through the same install as
// a download (install_font: the identity rule, the scope, numbered names,
// the registry only after the file has arrived). The work reports its
// progress as it goes and ends with one box that counts what was installed,
// what was installed already, and what was refused, naming the first few
// with why (fonts/drop_model.h).
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "fonts/font_report.h"
#include "platform/win/drop_target.h"

namespace yq {

struct FontDropHooks {
    // A progress text while the drop is being installed, "" once it ends.
    std::function<void(const std::string&)> progress;
    // Fonts were installed and the inventory rebuilt: lists showing
    // installed fonts are filled again.
    std::function<void()> fonts_changed;
};

// What one drop came to.
struct DropOutcome {
    int installed = 0, already_installed = 0;
    std::vector<FailedFont> refused;  // the file's name, or "pack.zip 中的 entry"
};

// Installs the dropped files on the calling thread, a worker: every font
// of the files, of the folders (to kMaxDropFolderDepth) and of the packs.
// A pack's font is unpacked into `work_folder` (with its separator) and
// installed from there. `progress` (may be empty) is given a text on the UI
// thread now and then. The inventory is not rebuilt here.
DropOutcome install_dropped_files(const win::DroppedFiles& files, const std::string& work_folder,
                                  const std::function<void(const std::string&)>& progress);

class FontDrop {
  public:
    // `work_folder` (with its separator) holds a pack's font while it is
    // being installed: the program's own download folder.
    FontDrop(std::string work_folder, FontDropHooks hooks);
    FontDrop(const FontDrop&) = delete;
    FontDrop& operator=(const FontDrop&) = delete;

    // Installs the dropped files (UI thread). One drop is installed at a
    // time: a drop while one is at work is refused with a box.
    void install(win::DroppedFiles files);

  private:
    friend struct DropJob;
    const std::string work_folder_;
    const FontDropHooks hooks_;
    std::atomic<bool> busy_{false};
};

}  // namespace yq
