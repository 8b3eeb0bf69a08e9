// The stand-in font identification site: a start page whose form has the
// element ids the program clicks ("uploaded_file", "forward"), and the page
// the form is sent to. It lets the program's identification flow run end to
// end against this server; it identifies nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace yq::server {

// /identify/: GBK HTML.
std::string identify_page_html();

// /identify/answer: GBK HTML telling how many bytes the form's picture
// (its "uploaded_file" part) held, or that it held none.
std::string identify_answer_html(bool picture_sent, uint64_t picture_bytes);

// /identify/answer refusing a form: GBK HTML with the status, its English
// title and a sentence saying what was wrong (GBK).
std::string identify_refusal_html(int status, std::string_view title, std::string_view why);

}  // namespace yq::server
