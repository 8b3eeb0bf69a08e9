// The remote text preview's rules: what the typed text and size allow, and
// the address of the picture.
//
// The query is percent-encoded: every byte of the text, the size and the
// font name other than A-Z a-z 0-9 - . _ ~ is sent as %XX (the GBK bytes of
// Chinese text, spaces, "#", "+", "%", full-width digits). yanqing-server's
// /text.php decodes exactly that, so whatever passes the "&" guard arrives
// as typed: a raw "#" would end the address, a raw "%" or "+" would be read
// as an escape or a space by other servers.
#pragma once

#include <string>
#include <string_view>

namespace yq {

inline constexpr int kMinPreviewSize = 6, kMaxPreviewSize = 30;

// A text holding "&" is not previewed at all (it would split the query).
bool previewable_text(std::string_view text);

// Whether the size box's text, read with the text-to-integer rule
// (full-width digits, leading spaces, the leading number), lies in 6..30.
bool previewable_size(std::string_view size_text);

// base + "/text.php?msg=" + text + "&rot=15&size=" + size as typed +
// "&font=fonts/" + font name + ".ttf", each value percent-encoded.
std::string preview_url(std::string_view base, std::string_view text, std::string_view size_text,
                        std::string_view font_name);

// Every byte outside A-Z a-z 0-9 - . _ ~ as %XX (upper-case hex).
std::string percent_encode(std::string_view bytes);

}  // namespace yq
