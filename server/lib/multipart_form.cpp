#include "server/lib/multipart_form.h"

#include <algorithm>

namespace yq::server {

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A header value of the shape "type; key=value; key="quoted value"": its
// first item, and the value of one parameter. Quoted values may escape a
// character with a backslash; a quote left open runs to the end.
struct HeaderParams {
    std::string_view first;
    std::string_view rest;

    explicit HeaderParams(std::string_view value) {
        size_t semi = value.find(';');
        first = trim(value.substr(0, semi));
        rest = semi == std::string_view::npos ? std::string_view() : value.substr(semi + 1);
    }

    std::optional<std::string> get(std::string_view wanted) const {
        std::string_view s = rest;
        while (!s.empty()) {
            size_t eq = s.find_first_of("=;");
            std::string_view key = trim(s.substr(0, eq));
            if (eq == std::string_view::npos) return std::nullopt;
            std::string value;
            size_t i = eq + 1;
            if (s[eq] == '=') {
                while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
                if (i < s.size() && s[i] == '"') {
                    for (++i; i < s.size() && s[i] != '"'; ++i) {
                        if (s[i] == '\\' && i + 1 < s.size()) ++i;
                        value += s[i];
                    }
                    size_t semi = s.find(';', i);
                    i = semi == std::string_view::npos ? s.size() : semi + 1;
                } else {
                    size_t semi = s.find(';', i);
                    size_t end = semi == std::string_view::npos ? s.size() : semi;
                    value = std::string(trim(s.substr(i, end - i)));
                    i = semi == std::string_view::npos ? s.size() : semi + 1;
                }
                if (same_ignoring_case(key, wanted)) return value;
            }
            s.remove_prefix(std::min(i, s.size()));
        }
        return std::nullopt;
    }
};

// What the bytes after a possible delimiter make of it.
enum class After { NeedMore, NotDelimiter, Close, Next };

After classify_after(std::string_view buf, size_t at, size_t* next_part) {
    size_t i = at;
    if (i < buf.size() && buf[i] == '-') {
        if (i + 1 >= buf.size()) return After::NeedMore;
        return buf[i + 1] == '-' ? After::Close : After::NotDelimiter;
    }
    while (i < buf.size() && (buf[i] == ' ' || buf[i] == '\t'))
        if (++i - at > kMaxDelimiterPadding) return After::NotDelimiter;
    if (i >= buf.size()) return After::NeedMore;
    if (buf[i] != '\r') return After::NotDelimiter;
    if (i + 1 >= buf.size()) return After::NeedMore;
    if (buf[i + 1] != '\n') return After::NotDelimiter;
    *next_part = i + 2;
    return After::Next;
}

}  // namespace

bool is_form_data(std::string_view content_type) {
    return same_ignoring_case(HeaderParams(content_type).first, "multipart/form-data");
}

std::optional<std::string> form_boundary(std::string_view content_type) {
    HeaderParams p(content_type);
    if (!same_ignoring_case(p.first, "multipart/form-data")) return std::nullopt;
    std::optional<std::string> b = p.get("boundary");
    if (!b || b->empty() || b->size() > kMaxBoundaryBytes) return std::nullopt;
    for (unsigned char c : *b)
        if (c < 0x20 || c > 0x7E) return std::nullopt;
    return b;
}

FormFieldCounter::FormFieldCounter(std::string_view boundary, std::string_view field)
    : delimiter_("\r\n--" + std::string(boundary)), field_(field) {
    // The first delimiter may open the body without a line end before it.
    buf_ = "\r\n";
}

void FormFieldCounter::fail(Error e) {
    error_ = e;
    state_ = State::Failed;
    buf_.clear();
    buf_.shrink_to_fit();
}

bool FormFieldCounter::feed(std::string_view bytes) {
    while (!bytes.empty() && state_ != State::Failed) {
        if (state_ == State::Epilogue) return true;
        size_t n = std::min(bytes.size(), kFormSliceBytes);
        buf_.append(bytes.data(), n);
        bytes.remove_prefix(n);
        run();
    }
    return state_ != State::Failed;
}

bool FormFieldCounter::finish() {
    if (state_ == State::Epilogue) return true;
    if (state_ != State::Failed) fail(Error::Truncated);
    return false;
}

void FormFieldCounter::run() {
    for (;;) {
        switch (state_) {
            case State::Preamble:
            case State::PartData:
                if (!scan_data()) return;
                break;
            case State::PartHead:
                if (!read_part_head()) return;
                break;
            case State::Epilogue:
                buf_.clear();
                return;
            case State::Failed:
                return;
        }
    }
}

// Takes the data before the next delimiter. True when a delimiter was
// passed (the state has changed), false when more input is needed.
bool FormFieldCounter::scan_data() {
    auto take = [&](size_t n) {
        if (state_ == State::PartData && counting_) field_bytes_ += n;
        buf_.erase(0, n);
    };
    for (;;) {
        size_t at = buf_.find(delimiter_);
        if (at == std::string::npos) {
            // The tail may be the start of a delimiter; the rest is data.
            take(buf_.size() - std::min(buf_.size(), delimiter_.size() - 1));
            return false;
        }
        size_t next_part = 0;
        switch (classify_after(buf_, at + delimiter_.size(), &next_part)) {
            case After::NeedMore:
                take(at);
                return false;
            case After::NotDelimiter:
                take(at + 1);  // its CR is data; look again after it
                continue;
            case After::Close:
                take(at);
                state_ = State::Epilogue;
                buf_.clear();
                return true;
            case After::Next:
                take(at);
                buf_.erase(0, next_part - at);
                if (++parts_ > kMaxFormParts) {
                    fail(Error::TooManyParts);
                    return false;
                }
                state_ = State::PartHead;
                counting_ = false;
                return true;
        }
    }
}

// Reads a part's head once it is whole. True when it was read (the state
// is now PartData), false when more input is needed or it is too large.
bool FormFieldCounter::read_part_head() {
    size_t end;
    if (buf_.compare(0, 2, "\r\n") == 0) {
        end = 0;  // no header lines at all
    } else {
        size_t blank = buf_.find("\r\n\r\n");
        if (blank == std::string::npos) {
            if (buf_.size() > kMaxPartHeadBytes) fail(Error::PartHeadTooLarge);
            return false;
        }
        end = blank + 2;
    }
    if (end + 2 > kMaxPartHeadBytes) {
        fail(Error::PartHeadTooLarge);
        return false;
    }
    std::string_view head(buf_.data(), end);
    std::optional<std::string> name;
    while (!head.empty()) {
        size_t eol = head.find("\r\n");
        std::string_view line = head.substr(0, eol);
        head.remove_prefix(eol == std::string_view::npos ? head.size() : eol + 2);
        size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        if (!same_ignoring_case(trim(line.substr(0, colon)), "content-disposition")) continue;
        HeaderParams p(line.substr(colon + 1));
        if (same_ignoring_case(p.first, "form-data")) name = p.get("name");
    }
    counting_ = !found_ && name && *name == field_;
    if (counting_) found_ = true;
    buf_.erase(0, end + 2);
    state_ = State::PartData;
    return true;
}

const char* to_string(FormFieldCounter::Error e) {
    switch (e) {
        case FormFieldCounter::Error::None:
            return "none";
        case FormFieldCounter::Error::Truncated:
            return "the form ends before its closing boundary";
        case FormFieldCounter::Error::PartHeadTooLarge:
            return "a part's headers are too long";
        case FormFieldCounter::Error::TooManyParts:
            return "the form has too many parts";
    }
    return "?";
}

}  // namespace yq::server
