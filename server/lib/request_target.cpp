#include "server/lib/request_target.h"

namespace yq::server {

namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool is_key_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

struct FixedName {
    std::string_view path;
    Resource resource;
};

constexpr FixedName kFixedNames[] = {
    {"/ztpz.txt", Resource::CatalogueVersion},
    {"/ztysb.data", Resource::Database},
    {"/My.txt", Resource::ProgramVersion},
    {"/yanqing.exe", Resource::Program},
    {"/ad.html", Resource::AdPage},
    {"/text.php", Resource::TextPreview},
    {"/identify/", Resource::IdentifyPage},
    {"/identify/answer", Resource::IdentifyAnswer},
};

constexpr std::string_view kFontFolder = "/ztwjj/";
constexpr std::string_view kFontSuffix = ".tmp";

}  // namespace

std::optional<std::string> percent_decode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        int hi = hex_value(text[i + 1]), lo = hex_value(text[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

bool is_valid_font_key(std::string_view key) {
    if (key.empty() || key.size() > kMaxFontKeyBytes) return false;
    for (char c : key)
        if (!is_key_char(c)) return false;
    return true;
}

ResolvedTarget resolve_target(std::string_view target) {
    ResolvedTarget out;
    if (target.size() > kMaxTargetBytes) return out;
    size_t q = target.find('?');
    std::string_view raw_path = target.substr(0, q);
    std::string query = q == std::string_view::npos ? "" : std::string(target.substr(q + 1));

    // An escaped separator would let a client hide a path step from this
    // match; nothing we publish needs one.
    for (size_t i = 0; i + 2 < raw_path.size(); ++i) {
        if (raw_path[i] != '%') continue;
        std::string_view esc = raw_path.substr(i + 1, 2);
        if (esc == "2f" || esc == "2F" || esc == "5c" || esc == "5C") return out;
    }
    std::optional<std::string> path = percent_decode(raw_path);
    if (!path) return out;

    for (const FixedName& name : kFixedNames) {
        if (*path == name.path) {
            out.resource = name.resource;
            out.path = *path;
            out.query = std::move(query);
            return out;
        }
    }
    std::string_view p = *path;
    if (p.size() > kFontFolder.size() + kFontSuffix.size() && p.starts_with(kFontFolder) &&
        p.ends_with(kFontSuffix)) {
        std::string_view key =
            p.substr(kFontFolder.size(), p.size() - kFontFolder.size() - kFontSuffix.size());
        if (is_valid_font_key(key)) {
            out.resource = Resource::Font;
            out.path = *path;
            out.font_key = std::string(key);
            out.query = std::move(query);
        }
    }
    return out;
}

std::string resource_file(const ResolvedTarget& target) {
    switch (target.resource) {
        case Resource::CatalogueVersion:
            return "ztpz.txt";
        case Resource::Database:
            return "ztysb.data";
        case Resource::Font:
            // Re-checked here so that a hand-built ResolvedTarget cannot escape either.
            return is_valid_font_key(target.font_key) ? "ztwjj/" + target.font_key + ".tmp" : "";
        case Resource::ProgramVersion:
            return "My.txt";
        case Resource::Program:
            return "yanqing.exe";
        case Resource::AdPage:
            return "ad.html";
        case Resource::None:
        case Resource::TextPreview:
        case Resource::IdentifyPage:
        case Resource::IdentifyAnswer:
            break;
    }
    return "";
}

}  // namespace yq::server
