#include "platform/web/navigation_rule.h"

#include "base/text.h"

namespace yq {
namespace {

constexpr size_t kMaxHostBytes = 253;
constexpr int kMaxPort = 65535;

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool is_alpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
bool is_hex(char c) {
    return is_digit(c) || (lower(c) >= 'a' && lower(c) <= 'f');
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

int default_port(std::string_view scheme) {
    return scheme == "https" ? 443 : 80;
}

// Dot-separated non-empty labels of letters, digits, "-" and "_".
std::optional<std::string> parse_name_host(std::string_view text) {
    if (text.empty() || text.size() > kMaxHostBytes) return std::nullopt;
    std::string host;
    bool label_empty = true;
    for (char c : text) {
        if (c == '.') {
            if (label_empty) return std::nullopt;
            label_empty = true;
        } else if (is_alpha(c) || is_digit(c) || c == '-' || c == '_') {
            label_empty = false;
        } else {
            return std::nullopt;
        }
        host += lower(c);
    }
    if (label_empty) return std::nullopt;
    return host;
}

// "[" hex digits, ":" and "." "]", holding at least one ":".
std::optional<std::string> parse_ipv6_host(std::string_view text) {
    if (text.size() < 4 || text.size() > 2 + 45 || text.front() != '[' || text.back() != ']')
        return std::nullopt;
    std::string host = "[";
    bool colon = false;
    for (char c : text.substr(1, text.size() - 2)) {
        if (!is_hex(c) && c != ':' && c != '.') return std::nullopt;
        colon = colon || c == ':';
        host += lower(c);
    }
    if (!colon) return std::nullopt;
    return host + "]";
}

// One to five digits naming 1..65535.
std::optional<int> parse_port(std::string_view text) {
    std::optional<uint64_t> port = parse_decimal(text, 5);
    if (!port || *port < 1 || *port > kMaxPort) return std::nullopt;
    return static_cast<int>(*port);
}

// The bytes address_text writes as they are.
bool kept_in_rest(char c) {
    if (is_alpha(c) || is_digit(c)) return true;
    switch (c) {
        case '-':
        case '.':
        case '_':
        case '~':
        case '!':
        case '$':
        case '&':
        case '\'':
        case '(':
        case ')':
        case '*':
        case '+':
        case ',':
        case ';':
        case '=':
        case ':':
        case '@':
        case '/':
        case '?':
        case '#':
        case '[':
        case ']':
            return true;
        default:
            return false;
    }
}

}  // namespace

std::optional<HttpAddress> parse_http_address(std::string_view text) {
    if (text.size() > kMaxAddressBytes) return std::nullopt;
    // Browsers drop tabs and line breaks inside an address and read "\" as
    // "/": refuse them anywhere, along with spaces and other control bytes.
    for (unsigned char c : text)
        if (c <= 0x20 || c == 0x7F || c == '\\') return std::nullopt;

    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    HttpAddress a;
    const std::string_view scheme = text.substr(0, colon);
    if (equals_ignoring_case(scheme, "http")) {
        a.scheme = "http";
    } else if (equals_ignoring_case(scheme, "https")) {
        a.scheme = "https";
    } else {
        return std::nullopt;
    }
    std::string_view after = text.substr(colon + 1);
    if (after.substr(0, 2) != "//") return std::nullopt;
    after.remove_prefix(2);

    const size_t end = after.find_first_of("/?#");
    const std::string_view authority = after.substr(0, end);
    a.rest = end == std::string_view::npos ? std::string() : std::string(after.substr(end));

    std::string_view host_text = authority, port_text;
    bool has_port = false;
    if (!authority.empty() && authority.front() == '[') {
        const size_t close = authority.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        host_text = authority.substr(0, close + 1);
        const std::string_view tail = authority.substr(close + 1);
        if (!tail.empty()) {
            if (tail.front() != ':') return std::nullopt;
            has_port = true;
            port_text = tail.substr(1);
        }
    } else if (const size_t c = authority.find(':'); c != std::string_view::npos) {
        host_text = authority.substr(0, c);
        has_port = true;
        port_text = authority.substr(c + 1);
    }
    std::optional<std::string> host = !host_text.empty() && host_text.front() == '['
                                          ? parse_ipv6_host(host_text)
                                          : parse_name_host(host_text);
    if (!host) return std::nullopt;
    a.host = std::move(*host);
    a.port = default_port(a.scheme);
    if (has_port) {
        std::optional<int> port = parse_port(port_text);
        if (!port) return std::nullopt;
        a.port = *port;
    }
    // The rebuilt text is what leaves the program, and it must read back.
    if (address_text(a).size() > kMaxAddressBytes) return std::nullopt;
    return a;
}

std::string address_text(const HttpAddress& address) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text = address.scheme + "://" + address.host;
    if (address.port != default_port(address.scheme)) {
        text += ':';
        text += std::to_string(address.port);
    }
    if (address.rest.empty() || address.rest.front() != '/') text += '/';
    const std::string& rest = address.rest;
    for (size_t i = 0; i < rest.size(); ++i) {
        const char c = rest[i];
        const bool escape =
            c == '%' && i + 2 < rest.size() && is_hex(rest[i + 1]) && is_hex(rest[i + 2]);
        if (kept_in_rest(c) || escape) {
            text += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            text += '%';
            text += kHex[byte >> 4];
            text += kHex[byte & 15];
        }
    }
    return text;
}

bool same_origin(const HttpAddress& a, const HttpAddress& b) {
    return a.scheme == b.scheme && a.host == b.host && a.port == b.port;
}

NavigationRule::NavigationRule(std::string_view home_page) : home_(parse_http_address(home_page)) {}

bool NavigationRule::on_origin(std::string_view address) const {
    if (!home_) return false;
    std::optional<HttpAddress> a = parse_http_address(address);
    return a && same_origin(*a, *home_);
}

NavigationDecision NavigationRule::decide(std::string_view address, NavigationKind kind,
                                          bool posts_data) const {
    using V = NavigationVerdict;
    if (equals_ignoring_case(address, "about:blank"))
        return {kind == NavigationKind::NewWindow ? V::Refuse : V::Load, {}};
    std::optional<HttpAddress> a = parse_http_address(address);
    if (!a) return {V::Refuse, {}};
    const bool home = home_ && same_origin(*a, *home_);
    switch (kind) {
        case NavigationKind::Page:
            if (home) return {V::Load, {}};
            if (posts_data) return {V::Refuse, {}};
            return {V::OpenOutside, address_text(*a)};
        case NavigationKind::Frame:
            return {home ? V::Load : V::Refuse, {}};
        case NavigationKind::NewWindow:
            return {V::OpenOutside, address_text(*a)};
    }
    return {V::Refuse, {}};
}

bool GestureGate::admit(uint32_t last_input, uint32_t now) {
    if (now - last_input > kGestureMs) return false;  // unsigned: wraps with the ticks
    if (used_any_ && used_ == last_input) return false;
    used_any_ = true;
    used_ = last_input;
    return true;
}

}  // namespace yq
