#include "server/lib/preview_fonts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

#include "platform/zt/zt_container.h"
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

const std::string* PreviewFonts::key_for(std::string_view gbk_face_name) const {
    auto it = keys_.find(gbk_face_name);
    return it == keys_.end() ? nullptr : &it->second;
}

std::string PreviewFonts::packed_path(const std::string& key) const {
    return root_ + "/ztwjj/" + key + ".tmp";
}

size_t PreviewFonts::loading_bytes(const std::string& key) {
    int fd = ::open(packed_path(key).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat st {};
    uint8_t head[8];
    const bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                    ::pread(fd, head, sizeof head, 0) == static_cast<ssize_t>(sizeof head);
    ::close(fd);
    if (!ok) return 0;
    const uint64_t packed = static_cast<uint64_t>(st.st_size);
    const uint64_t stored = load_u32le(ByteSpan(head, sizeof head), 4);
    if (packed > kMaxPreviewFontBytes || stored > kMaxPreviewFontBytes) return SIZE_MAX;
    return static_cast<size_t>(packed + stored);
}

std::shared_ptr<const Bytes> PreviewFonts::load_file(const std::string& key) {
    std::optional<Bytes> packed = read_file(packed_path(key));
    if (!packed || packed->size() < 8 || packed->size() > kMaxPreviewFontBytes) return nullptr;
    const size_t stored = load_u32le(*packed, 4);
    Result<Bytes> unpacked = zt_unpack(*packed, std::min(stored, kMaxPreviewFontBytes));
    if (!unpacked || unpacked->empty()) return nullptr;
    Bytes font = std::move(unpacked).value();
    font.shrink_to_fit();  // the pool counts size(); growth may have left slack
    return std::make_shared<const Bytes>(std::move(font));
}

}  // namespace yq::server
