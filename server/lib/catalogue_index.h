// catalogue.tsv: the list of fonts a built catalogue holds, written by the
// builder beside the files it publishes and read by the server to find the
// font for /text.php. It is never served. One line per font, UTF-8:
//
//   # yanqing catalogue index 1
//   <key> TAB <group> TAB <category> TAB <face name> TAB <source file>
//
// Fields hold no tab, CR or LF.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace yq::server {

inline constexpr std::string_view kIndexFileName = "catalogue.tsv";
inline constexpr std::string_view kIndexHeader = "# yanqing catalogue index 1";

struct IndexEntry {
    std::string key;        // 字体地址: the font is ztwjj/<key>.tmp
    std::string group;      // 中文字体, 英文字体 or 特殊字体 (UTF-8)
    std::string category;   // UTF-8
    std::string face_name;  // UTF-8
    std::string source;     // file name the font was built from (UTF-8)
};

std::string format_index(const std::vector<IndexEntry>& entries);

// Reads an index. Lines that are not five fields with a valid key are left
// out and described in *problems (with their line number).
std::vector<IndexEntry> parse_index(std::string_view text, std::vector<std::string>* problems);

}  // namespace yq::server
