// The text preview's fetch: one synchronous GET through the system's
// "Microsoft.XMLHTTP" object, bounded in time.
#pragma once

#include <string>

namespace yq {

// The preview picture is a few KB; a larger body is not one.
inline constexpr size_t kMaxPreviewBodyBytes = size_t{4} << 20;

// GETs `url` and returns the response body, whatever its HTTP status; ""
// when the object cannot be made, the request fails, the body is larger
// than kMaxPreviewBodyBytes, or no answer has come within `timeout_ms`.
// The calling (UI) thread waits, as for a synchronous request, but the
// request runs on a worker of its own, so a server that never answers holds
// the caller only for the timeout; hand-overs from other workers are
// answered meanwhile. A request given up on ends with its worker later.
std::string xml_http_get(const std::string& url, unsigned timeout_ms);

}  // namespace yq
