// Files dropped on a window from Explorer or any other program, through OLE
// drag and drop (a data object offering CF_HDROP), as drops arrive on
// today's Windows. A drop on any child of the window is the window's, as
// OLE looks for a target from the window under the cursor up to its
// top-level parent. UI thread; OleInitialize must have run on it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace yq::win {

struct DroppedFiles {
    std::vector<std::string> paths;  // GBK, in the order the dropping program gave them
    int unnamed = 0;                 // paths code page 936 cannot hold exactly: left out
};

// Makes `window` a drop target for files. `dropped` runs on the UI thread
// after the drop has returned to the program that dropped (so a long
// reaction never holds Explorer). False when OLE refuses the registration.
bool accept_dropped_files(HWND window, std::function<void(DroppedFiles)> dropped);

// Ends it (before the window is destroyed).
void stop_accepting_dropped_files(HWND window);

}  // namespace yq::win
