#include "base/text.h"

#include <algorithm>
#include <climits>
#include <mutex>
#include <vector>

namespace yq {
namespace {

#include "base/cp936_table.inc"

constexpr unsigned kTrailCount = 0xFF - 0x40;

char16_t decode_pair(unsigned char lead, unsigned char trail) {
    if (!is_gbk_lead(lead) || trail < 0x40 || trail == 0xFF) return 0;
    return kCp936DoubleByte[(lead - 0x81) * kTrailCount + (trail - 0x40)];
}

// UTF-16 code unit -> GBK bytes (0 = unmapped; values above 0xFF are pairs).
// Built once from the decode table; where two GBK codes decode to the same
// unit, the first (lowest) code is the one Windows encodes to.
const std::vector<uint16_t>& encode_table() {
    static std::vector<uint16_t> table;
    static std::once_flag once;
    std::call_once(once, [] {
        table.assign(0x10000, 0);
        for (unsigned c = 0; c < 0x80; ++c) table[c] = static_cast<uint16_t>(c);
        table[0x20AC] = 0x80;
        table[0xF8F5] = 0xFF;
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                char16_t u = decode_pair(static_cast<unsigned char>(lead),
                                         static_cast<unsigned char>(trail));
                if (u != 0 && table[u] == 0) table[u] = static_cast<uint16_t>(lead << 8 | trail);
            }
        }
    });
    return table;
}

bool is_blank_at(std::string_view t, size_t i, size_t* size) {
    if (t[i] == ' ') {
        *size = 1;
        return true;
    }
    if (i + 1 < t.size() && static_cast<unsigned char>(t[i]) == 0xA1 &&
        static_cast<unsigned char>(t[i + 1]) == 0xA1) {
        *size = 2;
        return true;
    }
    *size = gbk_char_size(t, i);
    return false;
}

}  // namespace

size_t gbk_length(std::string_view text) {
    size_t n = text.find('\0');
    return n == std::string_view::npos ? text.size() : n;
}

size_t gbk_char_size(std::string_view text, size_t i) {
    if (i + 1 < text.size() && is_gbk_lead(static_cast<unsigned char>(text[i]))) return 2;
    return 1;
}

std::optional<size_t> gbk_find(std::string_view text, std::string_view needle, size_t from,
                               bool fold_ascii_case) {
    auto fold = [&](unsigned char c) -> unsigned char {
        return (fold_ascii_case && c >= 'a' && c <= 'z') ? c - 32 : c;
    };
    for (size_t i = 0; i < text.size(); i += gbk_char_size(text, i)) {
        if (i < from) continue;
        if (text.size() - i < needle.size()) break;
        bool match = true;
        for (size_t k = 0; k < needle.size(); ++k) {
            unsigned char a = static_cast<unsigned char>(text[i + k]);
            unsigned char b = static_cast<unsigned char>(needle[k]);
            if (a != b && fold(a) != fold(b)) {
                match = false;
                break;
            }
        }
        if (match) return i;
    }
    return std::nullopt;
}

std::string trim_blanks(std::string_view text) {
    size_t begin = 0, size = 0;
    while (begin < text.size() && is_blank_at(text, begin, &size)) begin += size;
    size_t end = begin;  // end of the last non-blank character
    for (size_t i = begin; i < text.size(); i += size) {
        if (!is_blank_at(text, i, &size)) end = i + size;
    }
    return std::string(text.substr(begin, end - begin));
}

std::string strip_blanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t size = 0;
    for (size_t i = 0; i < text.size(); i += size) {
        if (!is_blank_at(text, i, &size)) out.append(text.substr(i, size));
    }
    return out;
}

std::string fold_full_width(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t n = gbk_char_size(text, i);
        unsigned char a = static_cast<unsigned char>(text[i]);
        unsigned char b = n == 2 ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (n == 2 && a == 0xA3 && b >= 0xA1 && b <= 0xFE) {
            out.push_back(static_cast<char>(b - 0x80));
        } else if (n == 2 && a == 0xA1 && b == 0xA1) {
            out.push_back(' ');
        } else {
            out.append(text.substr(i, n));
        }
        i += n;
    }
    return out;
}

int32_t text_to_int(std::string_view text) {
    std::string t = fold_full_width(text.substr(0, gbk_length(text)));
    size_t i = 0;
    while (i < t.size() && t[i] == ' ') ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    int64_t value = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
        value = value * 10 + (t[i] - '0');
        if (value > int64_t{INT32_MAX} + 1) value = int64_t{INT32_MAX} + 1;  // saturate early
    }
    if (negative) return value > INT32_MAX ? INT32_MIN : static_cast<int32_t>(-value);
    return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

std::string int_to_text(int64_t value) {
    return std::to_string(value);
}

std::u16string gbk_to_utf16(std::string_view gbk) {
    std::u16string out;
    out.reserve(gbk.size());
    for (size_t i = 0; i < gbk.size();) {
        unsigned char a = static_cast<unsigned char>(gbk[i]);
        if (a < 0x80) {
            out.push_back(a);
            ++i;
        } else if (a == 0x80) {
            out.push_back(0x20AC);
            ++i;
        } else if (a == 0xFF) {
            out.push_back(0xF8F5);  // code page 936 maps the single byte FF into the PUA
            ++i;
        } else if (i + 1 >= gbk.size()) {
            out.push_back(u'?');
            ++i;
        } else {
            char16_t u = decode_pair(a, static_cast<unsigned char>(gbk[i + 1]));
            out.push_back(u ? u : u'?');
            i += 2;
        }
    }
    return out;
}

std::string utf16_to_gbk(std::u16string_view utf16) {
    const std::vector<uint16_t>& table = encode_table();
    std::string out;
    out.reserve(utf16.size() * 2);
    for (char16_t u : utf16) {
        uint16_t g = table[u];
        if (u == 0) {
            out.push_back('\0');
        } else if (g == 0) {
            out.push_back('?');
        } else if (g < 0x100) {
            out.push_back(static_cast<char>(g));
        } else {
            out.push_back(static_cast<char>(g >> 8));
            out.push_back(static_cast<char>(g & 0xFF));
        }
    }
    return out;
}

std::u16string utf8_to_utf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        uint32_t cp = 0xFFFD;
        size_t n = 1;
        if (c < 0x80) {
            cp = c;
        } else if (c >= 0xC2 && c <= 0xF4) {
            n = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
            if (i + n > s.size()) {
                n = 1;
            } else {
                cp = c & (0x7F >> n);
                for (size_t k = 1; k < n; ++k) {
                    unsigned char d = static_cast<unsigned char>(s[i + k]);
                    if ((d & 0xC0) != 0x80) {
                        cp = 0xFFFD;
                        n = k;
                        break;
                    }
                    cp = cp << 6 | (d & 0x3F);
                }
                bool overlong = (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
                if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
            }
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += n;
    }
    return out;
}

std::string utf16_to_utf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size() * 3);
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[++i] - 0xDC00);
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | cp >> 6));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | cp >> 12));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | cp >> 18));
            out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::optional<uint64_t> parse_decimal(std::string_view digits, size_t max_digits) {
    if (digits.empty() || digits.size() > std::min<size_t>(max_digits, 18)) return std::nullopt;
    uint64_t v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    return v;
}

}  // namespace yq
