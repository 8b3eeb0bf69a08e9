// The fonts /text.php can draw with: those of the catalogue the server
// publishes, found by face name through catalogue.tsv. A name from a request
// is only ever compared with the names in that index, never used as a path.
// The files themselves are read on demand for a FacePool, which keeps them.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "server/lib/face_pool.h"

namespace yq::server {

// A font file larger than this (unpacked) is not drawn with.
inline constexpr size_t kMaxPreviewFontBytes = size_t{256} << 20;

class PreviewFonts : public FontSource {
  public:
    // Reads <root>/catalogue.tsv. A folder without one has no preview fonts.
    // Lines that cannot be used are described in *problems.
    void load(const std::string& root, std::vector<std::string>* problems);

    size_t size() const { return keys_.size(); }

    // The key of the catalogue font with this GBK face name; nullptr when the
    // name is not in the catalogue. Safe from any thread after load().
    const std::string* key_for(std::string_view gbk_face_name) const;

    // Packed size plus the stored length of ztwjj/<key>.tmp; SIZE_MAX when
    // either exceeds kMaxPreviewFontBytes.
    size_t loading_bytes(const std::string& key) override;
    // The unpacked font. A container that inflates past its stored length is
    // refused, so the file never outgrows what loading_bytes promised.
    std::shared_ptr<const Bytes> load_file(const std::string& key) override;

  private:
    std::string packed_path(const std::string& key) const;

    std::string root_;
    std::map<std::string, std::string, std::less<>> keys_;  // GBK face name -> key
};

}  // namespace yq::server
