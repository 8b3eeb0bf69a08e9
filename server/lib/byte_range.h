// The Range request header, as far as the catalogue server honours it: one
// range of bytes. The program's resumable download sends "Range:bytes=N-"
// (no blank after the colon); the HTTP layer hands us the value "bytes=N-".
#pragma once

#include <cstdint>
#include <string_view>

namespace yq::server {

enum class RangeKind {
    Whole,          // no usable Range: send everything with 200
    Partial,        // send bytes first..last with 206
    Unsatisfiable,  // 416 with "Content-Range: bytes */size"
};

struct RangeDecision {
    RangeKind kind = RangeKind::Whole;
    uint64_t first = 0;
    uint64_t last = 0;  // inclusive
};

// Decides how to answer a Range header value for a body of `size` bytes.
// "bytes=a-b", "bytes=a-" and "bytes=-n" are honoured (b is clipped to the
// end); a start at or past the end, or "-0", is unsatisfiable. A header that
// does not parse, or asks for several ranges, is ignored (Whole).
RangeDecision decide_range(std::string_view header_value, uint64_t size);

}  // namespace yq::server
