// Fuzzes the identification form's body reader. Input: a Content-Type value
// on the first line, then the body. The body is read twice, whole and in
// pieces whose sizes come from its own bytes; both reads must agree, and
// the reader must never hold more than its bound.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "server/lib/multipart_form.h"

using namespace yq::server;

static void check(bool ok) {
    if (!ok) __builtin_trap();
}

struct Outcome {
    bool whole;
    FormFieldCounter::Error error;
    bool found;
    uint64_t bytes;
};

static Outcome read_form(std::string_view boundary, std::string_view body, bool in_pieces) {
    FormFieldCounter form(boundary, "uploaded_file");
    uint32_t x = 2166136261u;
    while (!body.empty()) {
        size_t n = body.size();
        if (in_pieces) {
            x = (x ^ static_cast<uint8_t>(body[0])) * 16777619u;
            n = std::min<size_t>(n, 1 + (x >> 8) % 9000);
        }
        form.feed(body.substr(0, n));
        check(form.buffered_bytes() <= kMaxFormBufferBytes);
        body.remove_prefix(n);
    }
    bool whole = form.finish();
    check(whole == (form.error() == FormFieldCounter::Error::None));
    return {whole, form.error(), form.field_found(), form.field_bytes()};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    size_t nl = in.find('\n');
    std::string_view type = in.substr(0, nl);
    std::string_view body = nl == std::string_view::npos ? std::string_view() : in.substr(nl + 1);

    std::optional<std::string> boundary = form_boundary(type);
    if (boundary) {
        check(!boundary->empty() && boundary->size() <= kMaxBoundaryBytes);
        check(is_form_data(type));
    }
    const std::string b = boundary.value_or("B");
    Outcome whole = read_form(b, body, false);
    Outcome pieces = read_form(b, body, true);
    check(whole.whole == pieces.whole && whole.error == pieces.error &&
          whole.found == pieces.found && whole.bytes == pieces.bytes);
    check(whole.bytes <= body.size());
    check(whole.found || whole.bytes == 0);
    return 0;
}
