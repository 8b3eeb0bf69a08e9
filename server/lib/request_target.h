// Maps a raw HTTP request target onto the files the catalogue server
// publishes. Only a fixed set of names is ever served, so no request path,
// whatever it holds (dot segments, escapes, backslashes, drive letters, NUL
// bytes), can name a file outside the published folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace yq::server {

// Longest request target looked at; longer targets resolve to nothing.
inline constexpr size_t kMaxTargetBytes = 8192;
// Longest font key ("字体地址"): ASCII letters, digits, '-' and '_'.
inline constexpr size_t kMaxFontKeyBytes = 100;

enum class Resource {
    None,              // not published: the caller answers 404
    CatalogueVersion,  // /ztpz.txt
    Database,          // /ztysb.data
    Font,              // /ztwjj/<key>.tmp
    ProgramVersion,    // /My.txt
    Program,           // /yanqing.exe
    AdPage,            // /ad.html
    TextPreview,       // /text.php
    IdentifyPage,      // /identify/: the stand-in font identification site
    IdentifyAnswer,    // /identify/answer: where its form is sent (POST)
};

struct ResolvedTarget {
    Resource resource = Resource::None;
    std::string path;      // the decoded path ("/ztwjj/abc.tmp"), empty for None
    std::string font_key;  // for Resource::Font
    std::string query;     // raw bytes after the first '?', still escaped
};

// Decodes %XX escapes (either case of hex digit). Any other byte, '+'
// included, stands for itself. nullopt when a '%' is not followed by two hex
// digits.
std::optional<std::string> percent_decode(std::string_view text);

// True for a key made only of ASCII letters, digits, '-' and '_', of 1 to
// kMaxFontKeyBytes bytes.
bool is_valid_font_key(std::string_view key);

// Splits the target at its first '?', decodes the path and matches it
// exactly against the published names. An escaped '/' or '\' never acts as a
// separator: such a path resolves to nothing.
ResolvedTarget resolve_target(std::string_view target);

// The file inside the published folder that holds a resource ("ztwjj/k.tmp"),
// or "" for resources that are not files (None, TextPreview).
std::string resource_file(const ResolvedTarget& target);

}  // namespace yq::server
