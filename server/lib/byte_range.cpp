#include "server/lib/byte_range.h"

#include <optional>

#include "base/text.h"

namespace yq::server {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool starts_with_bytes_unit(std::string_view s) {
    constexpr std::string_view unit = "bytes";
    if (s.size() < unit.size()) return false;
    for (size_t i = 0; i < unit.size(); ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != unit[i]) return false;
    }
    return true;
}

}  // namespace

RangeDecision decide_range(std::string_view header_value, uint64_t size) {
    RangeDecision whole;
    std::string_view v = trim(header_value);
    if (!starts_with_bytes_unit(v)) return whole;
    v = trim(v.substr(5));
    if (v.empty() || v.front() != '=') return whole;
    v = trim(v.substr(1));
    if (v.find(',') != std::string_view::npos) return whole;
    size_t dash = v.find('-');
    if (dash == std::string_view::npos) return whole;
    std::string_view a = trim(v.substr(0, dash)), b = trim(v.substr(dash + 1));

    RangeDecision unsatisfiable{RangeKind::Unsatisfiable, 0, 0};
    if (a.empty()) {  // suffix: the last n bytes
        std::optional<uint64_t> n = parse_decimal(b);
        if (!n) return whole;
        if (*n == 0 || size == 0) return unsatisfiable;
        uint64_t take = *n < size ? *n : size;
        return {RangeKind::Partial, size - take, size - 1};
    }
    std::optional<uint64_t> first = parse_decimal(a);
    if (!first) return whole;
    uint64_t last = size == 0 ? 0 : size - 1;
    if (!b.empty()) {
        std::optional<uint64_t> end = parse_decimal(b);
        if (!end || *end < *first) return whole;
        if (*end < last) last = *end;
    }
    if (*first >= size) return unsatisfiable;
    return {RangeKind::Partial, *first, last};
}

}  // namespace yq::server
