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
//
// Values and behaviour are in doc/server.md ("Connections").
#pragma once

#include <httplib.h>

#include <functional>
#include <memory>
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

class HttpServer : public httplib::Server {
  public:
    using RefusalLog = std::function<void(const RefusedRequest&)>;

    // `workers` threads answer requests. `log` may be empty.
    HttpServer(int workers, ConnectionLimits limits, RefusalLog log);
    ~HttpServer() override;

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
