// Which addresses a hosted web view may load. A view keeps to the origin of
// its home page: the scheme (http or https), the host and the port, compared
// exactly. Everything else is refused; an http(s) page outside the origin
// that the user asked for goes to the user's own browser instead, as an
// address rebuilt from its parsed parts, never as the text the page gave.
//
// Addresses are read strictly, so that an address passes only when every
// browser would reach the host it names: no userinfo ("@"), no backslash,
// no percent sign, IDN or other byte outside the host grammar in the
// authority, no space or control byte anywhere. A host spelled another way
// (a trailing dot, a number for an IPv4 address) does not match, so it is
// refused rather than let in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace yq {

// Longer addresses, as given or as rebuilt by address_text, are refused.
inline constexpr size_t kMaxAddressBytes = 4096;
// A page is let out to the user's browser only this soon after a user input.
inline constexpr uint32_t kGestureMs = 1000;

// An absolute http or https address, taken apart.
struct HttpAddress {
    std::string scheme;  // "http" or "https"
    std::string host;    // lower-case: dot-separated labels of a-z 0-9 - _, or [IPv6]
    int port = 0;        // as given, or the scheme's default (80, 443)
    std::string rest;    // path, query and fragment as given: empty or from "/", "?", "#"
};

// The address `text` names when it is one this rule accepts (see above and
// kMaxAddressBytes); nothing for any other scheme or anything malformed.
std::optional<HttpAddress> parse_http_address(std::string_view text);

// scheme://host[:port]/rest, the port left out when it is the default, and
// every byte of rest other than A-Z a-z 0-9 - . _ ~ ! $ & ' ( ) * + , ; = : @
// / ? # [ ] and a "%" that starts an escape written as %XX. The result parses
// back to the same address; it holds no quote, space or shell metacharacter.
std::string address_text(const HttpAddress& address);

bool same_origin(const HttpAddress& a, const HttpAddress& b);

enum class NavigationKind {
    Page,       // the view's own page
    Frame,      // a frame inside it
    NewWindow,  // a request for a window of its own (the view never opens one)
};

enum class NavigationVerdict {
    Load,         // let it load
    Refuse,       // cancel it
    OpenOutside,  // cancel it; the user's browser may show `outside_address`
};

struct NavigationDecision {
    NavigationVerdict verdict = NavigationVerdict::Refuse;
    std::string outside_address;  // address_text of the page, for OpenOutside only
};

class NavigationRule {
  public:
    // A home page that is not an accepted http(s) address leaves no origin:
    // the view then loads nothing but about:blank.
    explicit NavigationRule(std::string_view home_page);

    // Whether `address` is an accepted page of the home page's origin.
    bool on_origin(std::string_view address) const;

    // Pages and frames of the origin load, and so does about:blank (the
    // empty page a frame or a new view starts with). Other frames are
    // refused; so is a page that sends form data away from the origin.
    // Another http(s) page, and an http(s) page asked for in a new window,
    // are for the user's browser. Every other address is refused.
    NavigationDecision decide(std::string_view address, NavigationKind kind, bool posts_data) const;

  private:
    std::optional<HttpAddress> home_;
};

// Lets pages out to the user's browser only just after a user input (a
// click or a key), and one page per input, so that a page navigating by
// itself, over and over, opens nothing.
class GestureGate {
  public:
    // `last_input` and `now` are millisecond ticks that wrap around.
    bool admit(uint32_t last_input, uint32_t now);

  private:
    bool used_any_ = false;
    uint32_t used_ = 0;
};

}  // namespace yq
