#include "server/lib/text_query.h"

#include "base/text.h"
#include "server/lib/request_target.h"

namespace yq::server {

namespace {

TextQueryResult fail(std::string why) {
    return {std::nullopt, std::move(why)};
}

bool ends_with_ignoring_case(std::string_view s, std::string_view suffix) {
    if (s.size() < suffix.size()) return false;
    s = s.substr(s.size() - suffix.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char a = s[i], b = suffix[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

size_t gbk_char_count(std::string_view text) {
    size_t n = 0;
    for (size_t i = 0; i < text.size(); i += gbk_char_size(text, i)) ++n;
    return n;
}

// A plain optional sign and 1..4 digits, with blanks allowed around it.
std::optional<int> parse_small_int(std::string_view v) {
    while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
    while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
    bool negative = false;
    if (!v.empty() && (v.front() == '-' || v.front() == '+')) {
        negative = v.front() == '-';
        v.remove_prefix(1);
    }
    std::optional<uint64_t> n = parse_decimal(v, 4);
    if (!n) return std::nullopt;
    return negative ? -static_cast<int>(*n) : static_cast<int>(*n);
}

}  // namespace

TextQueryResult parse_text_query(std::string_view raw) {
    if (raw.size() > kMaxQueryBytes) return fail("query too long");
    std::optional<std::string> msg, rot, size, font;
    size_t start = 0;
    while (start <= raw.size()) {
        size_t end = raw.find('&', start);
        if (end == std::string_view::npos) end = raw.size();
        std::string_view pair = raw.substr(start, end - start);
        start = end + 1;
        if (pair.empty()) continue;
        size_t eq = pair.find('=');
        std::string_view raw_key = pair.substr(0, eq);
        std::string_view raw_value = eq == std::string_view::npos ? "" : pair.substr(eq + 1);
        std::optional<std::string> key = percent_decode(raw_key);
        std::optional<std::string> value = percent_decode(raw_value);
        if (!key || !value) return fail("malformed %-escape in query");
        if (value->find('\0') != std::string::npos) return fail("NUL byte in query");
        std::optional<std::string>* slot = *key == "msg"    ? &msg
                                           : *key == "rot"  ? &rot
                                           : *key == "size" ? &size
                                           : *key == "font" ? &font
                                                            : nullptr;
        if (slot && !*slot) *slot = std::move(*value);
    }

    TextQuery q;
    q.msg = msg.value_or("");
    if (gbk_char_count(q.msg) > kMaxTextChars) return fail("text longer than 200 characters");

    if (!size) return fail("missing size");
    q.size = text_to_int(*size);
    if (q.size < kMinTextSize || q.size > kMaxTextSize) return fail("size must be 6 to 30");

    if (rot && !rot->empty()) {
        std::optional<int> r = parse_small_int(*rot);
        if (!r || *r < -kMaxRotation || *r > kMaxRotation) return fail("rot must be an integer");
        q.rot = *r;
    }

    if (!font) return fail("missing font");
    std::string_view name = *font;
    if (name.starts_with("fonts/")) name.remove_prefix(6);
    if (ends_with_ignoring_case(name, ".ttf")) name.remove_suffix(4);
    if (name.empty()) return fail("missing font");
    q.font_name = std::string(name);
    return {std::move(q), ""};
}

}  // namespace yq::server
