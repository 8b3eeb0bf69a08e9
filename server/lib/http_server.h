// The catalogue server's HTTP connections. httplib still parses each request
// and writes each answer; this class owns the connections, so that idle and
// slow clients cannot take the workers:
//
//   * A connection waiting for a request, or for the rest of a request head,
//     waits in one epoll thread and holds no worker thread.
//   * Only a complete head, within the size and line limits, is handed to a
//     worker, which answers that one request and hands the connection back
//     (or closes it).
//   * A connection with nothing sent is closed after kKeepAliveIdle; a head
//     not complete within kRequestHeadTime gets 408, one over the limits 431
//     (request_head.h), and the connection is closed.
//   * At most kMaxWaitingConnections wait at once (connection_limits.h).
//   * A request keeps a worker while its answer is written (and its body
//     read, when the handler reads one), but the client must keep pace:
//     kSendStall for one wait, kMinClientRate after kClientGrace in all. A
//     request that has waited kSlowClientWait for its client is a slow one
//     and no longer counts against the workers: another thread answers
//     fresh requests meanwhile, up to kMaxSlowRequests slow ones.
//   * A connection is not reused after a request with a body; the server
//     stops sending and drains what the client still sends (kDrainTime,
//     kMaxDrainBytes) before closing, so the client reads the answer
//     rather than a reset.
//
// Values and behaviour are in doc/server.md ("Connections").
#pragma once

#include <httplib.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "server/lib/connection_limits.h"

namespace yq::server {

// A request refused before it was parsed, for the access log.
struct RefusedRequest {
    std::string client_ip;
    int client_port = 0;
    std::string_view request_line;  // what had arrived of it, without line end
    int status = 0;                 // 408 or 431
    const char* reason = "";        // "head-timeout", "head-too-large", "too-many-headers"
};

// The body of the request being answered, read from its connection only
// when the handler asks for it.
class RequestBody {
  public:
    virtual ~RequestBody() = default;
    // Its length from the head's Content-Length; nullopt when the request
    // has no body, or one whose end the server cannot tell (chunked, or a
    // malformed or repeated Content-Length), which read_some() never gives.
    virtual std::optional<uint64_t> length() const = 0;
    // Up to `size` more bytes of it into `buf`: how many, 0 at its end,
    // kEndedEarly when the client stopped sending before the end (it closed
    // its side, or the connection failed), kTooSlow when it sent nothing for
    // kSendStall or fell behind the pace (connection_limits.h), or the server
    // is stopping; the connection is then closed with a reset.
    virtual ptrdiff_t read_some(char* buf, size_t size) = 0;
    static constexpr ptrdiff_t kEndedEarly = -1;
    static constexpr ptrdiff_t kTooSlow = -2;
};

class HttpServer : public httplib::Server {
  public:
    using RefusalLog = std::function<void(const RefusedRequest&)>;
    using Handler = std::function<void(const httplib::Request&, httplib::Response&, RequestBody&)>;

    // `workers` requests are answered at once, slow ones aside. `log` may
    // be empty.
    HttpServer(int workers, ConnectionLimits limits, RefusalLog log);
    ~HttpServer() override;

    // Answers every request that parses; the handler fills in the response
    // and may read the request's body.
    void set_handler(Handler handler);

    // Serves on the socket bound with bind_to_port() or bind_to_any_port()
    // until stop() (httplib's, safe from any thread); then closes every
    // connection and waits for the workers, whose answers end early because
    // the server is stopping. False when the listening socket failed or the
    // epoll thread could not start.
    bool serve();

  private:
    // Called by httplib's accept loop for each new connection: hands it to
    // the epoll thread instead of serving it on the spot.
    bool process_and_close_socket(socket_t sock) override;

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace yq::server
