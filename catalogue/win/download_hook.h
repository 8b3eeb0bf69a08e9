// Where a release on a row's install button goes. The download manager
// registers itself here, so the catalogue page does not depend on it.
#pragma once

#include <functional>
#include <string>

namespace yq {

// Called with the list row (1..5, already marked as downloading), the font
// name and its server address.
using DownloadRequest =
    std::function<void(int row, const std::string& font_name, const std::string& address)>;
void set_download_request_handler(DownloadRequest handler);

}  // namespace yq
