#include "base/file_names.h"

#include <string>

#include "base/text.h"

namespace yq {
namespace {

char ascii_upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

char ascii_lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

}  // namespace

bool is_forbidden_in_file_name(unsigned char c) {
    return c < 0x20 || std::string_view("<>:\"/\\|?*").find(char(c)) != std::string_view::npos;
}

bool names_device(std::string_view file_name) {
    std::string_view base = file_name.substr(0, file_name.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    std::string up;
    for (char c : base) up += ascii_upper(c);
    static constexpr std::string_view kDevices[] = {"CON",    "PRN",     "AUX",   "NUL",
                                                    "CONIN$", "CONOUT$", "CLOCK$"};
    for (std::string_view d : kDevices)
        if (up == d) return true;
    return up.size() == 4 && (up.starts_with("COM") || up.starts_with("LPT")) && up[3] >= '0' &&
           up[3] <= '9';
}

size_t gbk_char_count(std::string_view s) {
    size_t n = 0;
    for (size_t i = 0; i < s.size(); i += gbk_char_size(s, i)) ++n;
    return n;
}

std::string safe_file_stem(std::string_view name, size_t reserved) {
    std::string stem;
    stem.reserve(name.size());
    for (size_t i = 0; i < name.size();) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (is_gbk_lead(c) && i + 1 < name.size() &&
            is_gbk_trail(static_cast<unsigned char>(name[i + 1]))) {
            stem.append(name.substr(i, 2));
            i += 2;
            continue;
        }
        // A lone lead byte would swallow the next character when Windows
        // converts the name, so it goes like any other unusable byte.
        stem += (is_forbidden_in_file_name(c) || is_gbk_lead(c)) ? '_' : char(c);
        ++i;
    }
    if (stem.empty() || names_device(stem)) return {};
    // Windows drops trailing dots and blanks from a name; mark them instead,
    // so the name written is the name read back.
    for (size_t i = stem.size(); i > 0 && (stem[i - 1] == '.' || stem[i - 1] == ' '); --i)
        stem[i - 1] = '_';
    if (gbk_char_count(stem) + reserved > kMaxFileNameChars) return {};
    return stem;
}

bool is_storable_file_name(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (size_t i = 0; i < name.size();) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (is_gbk_lead(c)) {
            if (i + 1 >= name.size() || !is_gbk_trail(static_cast<unsigned char>(name[i + 1])))
                return false;
            i += 2;
            continue;
        }
        if (is_forbidden_in_file_name(c)) return false;
        ++i;
    }
    char last = name.back();
    // A trail byte can be neither '.' nor ' ', so the last byte is a character.
    if (last == '.' || last == ' ') return false;
    return !names_device(name) && gbk_char_count(name) <= kMaxFileNameChars;
}

std::string_view file_name_of(std::string_view path) {
    size_t cut = std::string_view::npos;
    for (size_t i = 0; i < path.size(); i += gbk_char_size(path, i))
        if (path[i] == '\\' || path[i] == '/') cut = i;
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::pair<std::string_view, std::string_view> split_extension(std::string_view name) {
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {name, {}};
    return {name.substr(0, dot), name.substr(dot)};
}

std::string numbered_file_name(std::string_view name, int k) {
    auto [stem, extension] = split_extension(name);
    std::string numbered = std::string(stem) + " (" + int_to_text(k) + ")" + std::string(extension);
    return is_storable_file_name(numbered) ? numbered : std::string();
}

bool is_partial_file_name(std::string_view name) {
    if (name.size() < kPartialSuffix.size()) return false;
    std::string_view tail = name.substr(name.size() - kPartialSuffix.size());
    for (size_t i = 0; i < tail.size(); ++i) {
        if (ascii_lower(tail[i]) != kPartialSuffix[i]) return false;
    }
    return true;
}

}  // namespace yq
