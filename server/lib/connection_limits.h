// How long and how often a client may hold a connection to the server; the
// values are in doc/server.md ("Connections"). The request head's own limits
// are in request_head.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <thread>  // std::chrono: <chrono> itself does not compile with a GBK charset

namespace yq::server {

// Waiting for the next request with nothing of it sent yet.
inline constexpr std::chrono::milliseconds kKeepAliveIdle{5000};
// From when a connection starts waiting for a request until its whole head
// has arrived.
inline constexpr std::chrono::milliseconds kRequestHeadTime{10000};
// One wait for the client (to take answer bytes, or to send body bytes)
// that lasts this long ends the request.
inline constexpr std::chrono::milliseconds kSendStall{5000};
// The pace every answer and every request body must keep: in all, the
// server may wait for its client kClientGrace plus one second for every
// kMinClientRate bytes the client has taken (or sent). So an answer of N
// bytes has a total deadline of kClientGrace + N / kMinClientRate of
// waiting, and a client slower than kMinClientRate on average is cut off
// soon after kClientGrace, however large the answer. Only time spent
// waiting for the client counts, not the server's own work.
inline constexpr uint64_t kMinClientRate = 8 << 10;  // bytes per second
inline constexpr std::chrono::milliseconds kClientGrace{10000};
// A request that has waited this long for its client in all is a slow one:
// it no longer counts against the workers, and another thread takes its
// place, so slow clients cannot keep fresh requests from being answered.
inline constexpr std::chrono::milliseconds kSlowClientWait{200};
// Slow requests at once. One more cuts the slow request nearest to falling
// behind its pace (which may be the new one).
inline constexpr size_t kMaxSlowRequests = 256;
inline constexpr size_t kMaxRequestsPerConnection = 100;
// Connections waiting at once; a new one beyond this closes the one that has
// waited longest.
inline constexpr size_t kMaxWaitingConnections = 1024;
// The largest request body the server reads (the identification form, the
// only one it takes); a larger one is answered 413 without being read.
inline constexpr uint64_t kMaxRequestBodyBytes = 8 << 20;
// After an answer that leaves part of its request unread (a body refused or
// not read, a refused head), the server stops sending and reads and
// discards what the client still sends, so that the client sees the answer
// rather than a reset. This goes on while the client keeps the pace above
// with kDrainTime in place of kClientGrace, for at most kMaxDrainBytes, and
// ends when the client closes.
inline constexpr std::chrono::milliseconds kDrainTime{1000};
inline constexpr uint64_t kMaxDrainBytes = 16 << 20;

struct ConnectionLimits {
    std::chrono::milliseconds keep_alive_idle = kKeepAliveIdle;
    std::chrono::milliseconds request_head_time = kRequestHeadTime;
    std::chrono::milliseconds send_stall = kSendStall;
    uint64_t min_client_rate = kMinClientRate;
    std::chrono::milliseconds client_grace = kClientGrace;
    size_t slow_requests = kMaxSlowRequests;
    size_t requests_per_connection = kMaxRequestsPerConnection;
    size_t waiting_connections = kMaxWaitingConnections;
    uint64_t max_body_bytes = kMaxRequestBodyBytes;
};

}  // namespace yq::server
