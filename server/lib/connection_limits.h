// How long and how often a client may hold a connection to the server; the
// values are in doc/server.md ("Connections"). The request head's own limits
// are in request_head.h.
#pragma once

#include <cstddef>
#include <thread>  // std::chrono: <chrono> itself does not compile with a GBK charset

namespace yq::server {

// Waiting for the next request with nothing of it sent yet.
inline constexpr std::chrono::milliseconds kKeepAliveIdle{5000};
// From when a connection starts waiting for a request until its whole head
// has arrived.
inline constexpr std::chrono::milliseconds kRequestHeadTime{10000};
// A send that makes no progress for this long ends the answer.
inline constexpr std::chrono::milliseconds kSendStall{5000};
inline constexpr size_t kMaxRequestsPerConnection = 100;
// Connections waiting at once; a new one beyond this closes the one that has
// waited longest.
inline constexpr size_t kMaxWaitingConnections = 1024;

struct ConnectionLimits {
    std::chrono::milliseconds keep_alive_idle = kKeepAliveIdle;
    std::chrono::milliseconds request_head_time = kRequestHeadTime;
    std::chrono::milliseconds send_stall = kSendStall;
    size_t requests_per_connection = kMaxRequestsPerConnection;
    size_t waiting_connections = kMaxWaitingConnections;
};

}  // namespace yq::server
