// The fonts /text.php can draw with: those of the catalogue the server
// publishes, found by face name through catalogue.tsv. A name from a request
// is only ever compared with the names in that index, never used as a path.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"

namespace yq::server {

// Unpacked font files kept in memory between requests, at most this much.
inline constexpr size_t kMaxCachedFontBytes = size_t{512} << 20;
// A font file larger than this (unpacked) is not drawn with.
inline constexpr size_t kMaxPreviewFontBytes = size_t{256} << 20;

class PreviewFonts {
  public:
    // Reads <root>/catalogue.tsv. A folder without one has no preview fonts.
    // Lines that cannot be used are described in *problems.
    void load(const std::string& root, std::vector<std::string>* problems);

    size_t size() const { return keys_.size(); }

    // The unpacked font file for a GBK face name, or nullptr when the name is
    // not in the catalogue or its packed file cannot be read. Thread-safe.
    std::shared_ptr<const Bytes> file_for(std::string_view gbk_face_name);

  private:
    std::string root_;
    std::map<std::string, std::string, std::less<>> keys_;  // GBK face name -> key
    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<const Bytes>> cache_;  // key -> font file
    size_t cached_bytes_ = 0;
};

}  // namespace yq::server
