#include <cstdint>
#include <string>

#include "platform/web/navigation_rule.h"

namespace {

// What may reach the shell: printable ASCII without quotes, spaces or the
// characters a command line or a shell would act on.
bool safe_for_the_shell(const std::string& text) {
    for (unsigned char c : text)
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' ||
            c == '|' || c == '`' || c == '{' || c == '}')
            return false;
    return text.rfind("http://", 0) == 0 || text.rfind("https://", 0) == 0;
}

bool is_about_blank(const std::string& text) {
    const char kBlank[] = "about:blank";
    if (text.size() != sizeof kBlank - 1) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
        if (c != kBlank[i]) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::optional<yq::HttpAddress> address = yq::parse_http_address(text);
    if (address) {
        // The rebuilt text is safe, reads back as the same address and is
        // rebuilt the same way.
        const std::string out = yq::address_text(*address);
        std::optional<yq::HttpAddress> again = yq::parse_http_address(out);
        if (!safe_for_the_shell(out) || !again || !yq::same_origin(*address, *again) ||
            yq::address_text(*again) != out)
            __builtin_trap();
    }
    // Any accepted address is on its own origin, and nothing else is.
    if (yq::NavigationRule(text).on_origin(text) != address.has_value()) __builtin_trap();

    static const yq::NavigationRule rule("http://127.0.0.1:18080/ad.html");
    for (yq::NavigationKind kind :
         {yq::NavigationKind::Page, yq::NavigationKind::Frame, yq::NavigationKind::NewWindow}) {
        for (bool posts : {false, true}) {
            yq::NavigationDecision d = rule.decide(text, kind, posts);
            switch (d.verdict) {
                case yq::NavigationVerdict::Load:
                    if (kind == yq::NavigationKind::NewWindow ||
                        !(rule.on_origin(text) || is_about_blank(text)))
                        __builtin_trap();
                    break;
                case yq::NavigationVerdict::OpenOutside:
                    if (!address || !safe_for_the_shell(d.outside_address)) __builtin_trap();
                    break;
                case yq::NavigationVerdict::Refuse:
                    if (!d.outside_address.empty()) __builtin_trap();
                    break;
            }
        }
    }
    return 0;
}
