// The stand-in font identification site: a start page whose form has the
// element ids the program clicks ("uploaded_file", "forward"), and the page
// the form is sent to. It lets the program's identification flow run end to
// end against this server; it identifies nothing.
#pragma once

#include <cstddef>
#include <string>

namespace yq::server {

// /identify/: GBK HTML.
std::string identify_page_html();

// /identify/answer: GBK HTML telling how many bytes the form carried.
std::string identify_answer_html(size_t form_bytes);

}  // namespace yq::server
