#include "download/download_model.h"

#include <algorithm>

#include "platform/zt/zt_container.h"
#include "base/file_names.h"
#include "base/text.h"

namespace yq::download {
namespace {

bool is_unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == '~';
}

char ascii_upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool ends_with_separator(std::string_view path) {
    size_t last = std::string_view::npos;
    for (size_t i = 0; i < path.size(); i += gbk_char_size(path, i)) last = i;
    if (last == std::string_view::npos || gbk_char_size(path, last) != 1) return false;
    return path[last] == '\\' || path[last] == '/';
}

}  // namespace

std::string request_headers(bool resume, int32_t start_offset) {
    std::string h(kRequestHeaders);
    if (resume) h += "\r\nRange:bytes=" + std::to_string(start_offset) + "-";
    return h;
}

std::string agent_name(uint32_t tick_count) {
    return "Agent" + std::to_string(tick_count);
}

std::string download_url(std::string_view base_url, std::string_view address) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url(base_url);
    url += "/ztwjj/";
    for (char ch : address) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (is_unreserved(c)) {
            url += ch;
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    url += ".tmp";
    return url;
}

int percent_of(int64_t received, uint32_t announced) {
    if (announced == 0) return 0;
    return static_cast<int>(received * 100 / int64_t(announced));
}

std::optional<int64_t> content_range_start(std::string_view cr) {
    while (!cr.empty() && cr.front() == ' ') cr.remove_prefix(1);
    if (cr.size() < 6) return std::nullopt;
    std::string unit;
    for (char c : cr.substr(0, 5)) unit += ascii_upper(c);
    if (unit != "BYTES" || cr[5] != ' ') return std::nullopt;
    cr.remove_prefix(6);
    while (!cr.empty() && cr.front() == ' ') cr.remove_prefix(1);
    int64_t v = 0;
    size_t digits = 0;
    while (digits < cr.size() && cr[digits] >= '0' && cr[digits] <= '9') {
        if (digits == 18) return std::nullopt;
        v = v * 10 + (cr[digits] - '0');
        ++digits;
    }
    if (digits == 0 || digits >= cr.size() || cr[digits] != '-') return std::nullopt;
    return v;
}

ResumeStep decide_resume(int http_status, std::string_view content_range, int32_t start_offset) {
    if (http_status == 200) return ResumeStep::kRestart;
    if (http_status == 206) {
        std::optional<int64_t> first = content_range_start(content_range);
        if (first && *first == start_offset) return ResumeStep::kAppend;
    }
    return ResumeStep::kRefuse;
}

std::string safe_font_file_stem(std::string_view name) {
    return safe_file_stem(name, 4);  // room for ".ttf"
}

std::string install_file_name(std::string_view font_name) {
    std::string stem = strip_blanks(safe_font_file_stem(font_name));
    std::string name = stem + ".ttf";
    if (stem.empty() || !is_storable_file_name(name)) return {};
    return name;
}

std::string partial_path(std::string_view target) {
    return std::string(target) + std::string(kPartialSuffix);
}

int64_t download_limit(int64_t kept, uint32_t announced, int64_t cap) {
    if (announced == 0) return cap;
    return std::min<int64_t>(cap, kept + int64_t(announced));
}

std::string target_path(std::string_view folder, std::string_view font_name) {
    std::string stem = safe_font_file_stem(font_name);
    if (stem.empty()) return {};
    std::string path(folder);
    if (!path.empty() && !ends_with_separator(path)) path += '\\';
    path += stem;
    path += ".ttf";
    // The partial file beside it must fit too.
    if (gbk_char_count(path) + kPartialSuffix.size() > kMaxPathChars) return {};
    return path;
}

CheckedDownload check_downloaded_file(ByteSpan file, const TransferSummary& summary) {
    CheckedDownload out;
    if (summary.http_status != 0 && (summary.http_status < 200 || summary.http_status > 299)) {
        out.verdict = DownloadVerdict::kHttpError;
    } else if (summary.short_body) {
        out.verdict = DownloadVerdict::kShortBody;
    } else if (file.size() < 8 || load_u32le(file, 0) != kZtMagic) {
        out.verdict = DownloadVerdict::kNotContainer;
    } else {
        out.font = zt_unpack(file, kMaxFontFileBytes).value_or(Bytes());
        out.verdict = out.font.empty() ? DownloadVerdict::kDamaged : DownloadVerdict::kOk;
    }
    return out;
}

const char* to_string(DownloadVerdict v) {
    switch (v) {
        case DownloadVerdict::kOk:
            return "ok";
        case DownloadVerdict::kHttpError:
            return "http error";
        case DownloadVerdict::kShortBody:
            return "short body";
        case DownloadVerdict::kNotContainer:
            return "not a container";
        case DownloadVerdict::kDamaged:
            return "damaged container";
    }
    return "?";
}

}  // namespace yq::download
