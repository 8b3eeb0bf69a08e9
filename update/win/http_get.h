// The plain HTTP GET of the version checks: one WinINet request for a
// small text (/ztpz.txt, /My.txt), read whole on the calling thread.
#pragma once

#include <string>

namespace yq {

struct HttpAnswer {
    bool fetched = false;  // a whole answer arrived (whatever its status)
    int status = 0;        // the HTTP status, 0 when no answer arrived
    std::string body;      // empty unless fetched
};

// Connect and receive timeouts of the requests. Windows honours them; Wine
// accepts and ignores them (a server that stalls mid-body holds the read
// there), which is why the checks run on workers and never in a paint.
inline constexpr unsigned long kHttpConnectTimeoutMs = 15000;
inline constexpr unsigned long kHttpReceiveTimeoutMs = 15000;

// GET `url`: one internet handle for the process (opened on first use,
// direct access), verb GET with HTTP/1.0, reload and no-cache-write; the
// body read in reads of read_size_for(Content-Length) until a read gives 0
// bytes. A body past kMaxTextBodyBytes, or any failed step, gives an
// answer that was not fetched. Any thread.
HttpAnswer http_get(const std::string& url);

}  // namespace yq
