// Which files below a folder the font benchmarks read: TrueType and
// OpenType fonts and collections, by their extension.
#pragma once

#include <filesystem>
#include <string>

namespace yq::test {

inline bool is_font_file(const std::filesystem::path& p) {
    std::string ext = p.extension().string();
    for (char& c : ext) c = static_cast<char>(c | 0x20);
    return ext == ".ttf" || ext == ".otf" || ext == ".ttc" || ext == ".otc";
}

}  // namespace yq::test
