#include "tools/text_preview_model.h"

#include "base/text.h"

namespace yq {

bool previewable_text(std::string_view text) {
    return text.find('&') == std::string_view::npos;
}

bool previewable_size(std::string_view size_text) {
    const int32_t size = text_to_int(size_text);
    return size >= kMinPreviewSize && size <= kMaxPreviewSize;
}

std::string percent_encode(std::string_view bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (char ch : bytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        if (plain) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string preview_url(std::string_view base, std::string_view text, std::string_view size_text,
                        std::string_view font_name) {
    return std::string(base) + "/text.php?msg=" + percent_encode(text) +
           "&rot=15&size=" + percent_encode(size_text) + "&font=fonts/" +
           percent_encode(font_name) + ".ttf";
}

}  // namespace yq
