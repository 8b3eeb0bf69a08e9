// The catalogue server: publishes a built catalogue folder over HTTP on
// loopback (see doc/server.md): the fixed file names, /ztwjj/<key>.tmp with
// single byte ranges, and /text.php drawn with the catalogue's fonts. Fault
// modes make it misbehave on purpose for tests.
#pragma once

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "server/lib/connection_limits.h"
#include "server/lib/faults.h"

namespace yq::server {

struct ServeOptions {
    std::string root;  // the published folder
    std::string host = "127.0.0.1";
    int port = 0;  // 0: any free port
    std::vector<Fault> faults;
    FILE* log = stderr;  // one line per request; nullptr for none
    // Requests answered at once, those waiting for a slow client aside
    // (connection_limits.h); waiting connections need no thread.
    int threads = 32;
    ConnectionLimits limits;
};

class CatalogueServer {
  public:
    explicit CatalogueServer(ServeOptions options);
    ~CatalogueServer();
    CatalogueServer(const CatalogueServer&) = delete;
    CatalogueServer& operator=(const CatalogueServer&) = delete;

    // Reads the font index and binds the listening socket; connections are
    // queued from here on. "" on success, else a description.
    std::string start();

    // The bound port (after start()).
    int port() const { return port_; }

    // Index lines that could not be used, found by start().
    const std::vector<std::string>& problems() const { return problems_; }

    // Serves until stop() is called. Call after a successful start().
    void run();

    // Makes run() return; answers being trickled by a slow fault end early.
    // Safe from any thread.
    void stop();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    int port_ = 0;
    std::vector<std::string> problems_;
};

}  // namespace yq::server
