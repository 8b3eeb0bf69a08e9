// The query of /text.php: msg (the text), rot, size and font, as the program
// sends them: "msg=...&rot=15&size=...&font=fonts/<字体名>.ttf".
//
// Values arrive as GBK bytes, percent-encoded or raw. A GBK trail byte is
// never '&', '=' or '%', so raw GBK splits safely. '+' is a plus sign, not a
// space. Keys are matched exactly; unknown keys are ignored and a repeated
// key keeps its first value.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace yq::server {

inline constexpr int kMinTextSize = 6;          // pixels
inline constexpr int kMaxTextSize = 30;         // pixels
inline constexpr size_t kMaxTextChars = 200;    // GBK characters of msg
inline constexpr size_t kMaxQueryBytes = 4096;  // the whole raw query
inline constexpr int kMaxRotation = 360;        // |rot| accepted

struct TextQuery {
    std::string msg;        // GBK, may be empty
    int size = 0;           // kMinTextSize..kMaxTextSize
    int rot = 0;            // validated, not used for drawing
    std::string font_name;  // GBK face name: "fonts/" and ".ttf" removed
};

struct TextQueryResult {
    std::optional<TextQuery> query;
    std::string error;  // short English reason when query is empty
};

// Parses and checks a raw (still escaped) query string. size is read as the
// program reads it: full-width digits folded, leading spaces skipped, the
// leading number taken ("12px" is 12); it must lie in 6..30. rot, when given
// and not empty, must be a plain integer within +-360.
TextQueryResult parse_text_query(std::string_view raw_query);

}  // namespace yq::server
