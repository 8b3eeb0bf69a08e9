// The download manager: one worker thread per font download, started from a
// catalogue row's install button. Each worker fetches the packed font into
// the download folder, checks and unpacks it, installs it, rebuilds the
// installed-font inventory and updates the catalogue rows. Reports of all
// workers are serialised by the download lock; everything that touches a
// window runs on the UI thread.
#pragma once

namespace yq {

// Creates the download lock and registers with the catalogue page. Call
// once at start-up on the UI thread.
void init_download_manager();

}  // namespace yq
