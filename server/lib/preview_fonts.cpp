#include "server/lib/preview_fonts.h"

#include "app/zt_container.h"
#include "base/text.h"
#include "server/lib/catalogue_index.h"
#include "server/lib/file_io.h"

namespace yq::server {

void PreviewFonts::load(const std::string& root, std::vector<std::string>* problems) {
    root_ = root;
    keys_.clear();
    std::string path = root + "/" + std::string(kIndexFileName);
    std::optional<Bytes> text = read_file(path);
    if (!text) return;
    std::vector<std::string> line_problems;
    std::vector<IndexEntry> entries =
        parse_index(std::string_view(reinterpret_cast<const char*>(text->data()), text->size()),
                    &line_problems);
    for (const std::string& p : line_problems)
        if (problems) problems->push_back(path + ": " + p);
    for (const IndexEntry& e : entries) keys_.emplace(utf8_to_gbk(e.face_name), e.key);
}

std::shared_ptr<const Bytes> PreviewFonts::file_for(std::string_view gbk_face_name) {
    auto it = keys_.find(gbk_face_name);
    if (it == keys_.end()) return nullptr;
    const std::string& key = it->second;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto hit = cache_.find(key);
        if (hit != cache_.end()) return hit->second;
    }
    std::optional<Bytes> packed = read_file(root_ + "/ztwjj/" + key + ".tmp");
    if (!packed) return nullptr;
    Bytes font = zt_unpack(*packed, kMaxPreviewFontBytes);
    if (font.empty()) return nullptr;
    auto file = std::make_shared<const Bytes>(std::move(font));
    std::lock_guard<std::mutex> lock(mutex_);
    auto [pos, added] = cache_.emplace(key, file);
    if (!added) return pos->second;  // another thread got there first
    if (cached_bytes_ + file->size() > kMaxCachedFontBytes) {
        cache_.erase(pos);  // still drawn with, just not kept
    } else {
        cached_bytes_ += file->size();
    }
    return file;
}

}  // namespace yq::server
