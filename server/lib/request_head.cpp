#include "server/lib/request_head.h"

#include <algorithm>

#include "base/text.h"

namespace yq::server {

namespace {

bool equals_ignoring_case(std::string_view a, std::string_view lower) {
    if (a.size() != lower.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

}  // namespace

void RequestHeadReader::note_header(std::string_view line) {
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) return;
    std::string_view name = trim(line.substr(0, colon));
    std::string_view value = trim(line.substr(colon + 1));
    if (equals_ignoring_case(name, "transfer-encoding")) has_body_ = transfer_encoding_ = true;
    if (equals_ignoring_case(name, "content-length")) {
        if (value.find_first_not_of('0') != value.npos) has_body_ = true;
        ++length_headers_;
        // At most 18 digits: no overflow, and far beyond any body read.
        std::optional<uint64_t> length = parse_decimal(value);
        length_valid_ = length.has_value();
        length_ = length.value_or(0);
    }
}

RequestHeadReader::State RequestHeadReader::scan(std::string_view buffered) {
    if (state_ != State::Incomplete) return state_;
    for (;;) {
        size_t end = buffered.find('\n', std::max(line_start_, scanned_));
        if (end == std::string_view::npos) {
            scanned_ = buffered.size();
            break;
        }
        std::string_view line = buffered.substr(line_start_, end + 1 - line_start_);
        line_start_ = end + 1;
        if (line_start_ > kMaxRequestHeadBytes) return state_ = State::TooLarge;
        if (lines_++ == 0) continue;  // the request line
        if (line == "\r\n") {
            head_bytes_ = line_start_;
            return state_ = State::Complete;
        }
        if (lines_ - 1 > kMaxRequestHeaderLines) return state_ = State::TooManyLines;
        note_header(line);
    }
    // No complete head yet: one can no longer fit once the limit is reached.
    if (buffered.size() >= kMaxRequestHeadBytes) return state_ = State::TooLarge;
    return state_;
}

std::string_view request_line_of(std::string_view buffered, size_t max) {
    std::string_view line = buffered.substr(0, buffered.find_first_of("\r\n"));
    return line.substr(0, max);
}

}  // namespace yq::server
