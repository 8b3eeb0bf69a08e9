// The text preview's fetch: one GET over WinINet on a worker of its own,
// its body capped while it arrives, bounded in time, one at a time.
#pragma once

#include <cstddef>
#include <string>

namespace yq {

// The preview picture is a few KB; a larger body is not one.
inline constexpr size_t kMaxPreviewBodyBytes = size_t{4} << 20;

// GETs `url` and returns the response body, whatever its HTTP status; ""
// when the request fails, the body passes kMaxPreviewBodyBytes (announced,
// or while it arrives: the worker drops the request at once), or no whole
// answer has come within `timeout_ms`.
//
// The calling (UI) thread waits as for a synchronous request, answering
// only hand-overs from other workers. The worker gives up at the same
// limit: it stops after any read past it, and its connect and receive
// timeouts are what is left, which Windows honours. Wine does not: there a
// read from a server that stalls mid-answer returns only when the server
// acts, and the worker is abandoned until then.
//
// One request runs at a time. While one given up on still runs, a new call
// waits for it within its own `timeout_ms` and then makes its own request;
// if it does not end in time, the call gives "" without a request.
std::string fetch_preview(const std::string& url, unsigned timeout_ms);

}  // namespace yq
