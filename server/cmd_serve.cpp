// yanqing-server serve: publishes a built catalogue folder on loopback.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "base/text.h"
#include "server/command.h"
#include "server/lib/catalogue_server.h"

namespace yq::server {
namespace {

bool parse_port(const std::string& text, int* port) {
    std::optional<uint64_t> n = parse_decimal(text, 5);
    if (!n || *n > 65535) return false;
    *port = static_cast<int>(*n);
    return true;
}

int run_serve(const std::vector<std::string>& args) {
    ServeOptions options;
    options.port = YQ_SERVER_PORT;
    bool have_root = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--port" || a == "--fault") {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "serve: %s needs a value\n", a.c_str());
                return 2;
            }
            const std::string& v = args[++i];
            if (a == "--port") {
                if (!parse_port(v, &options.port)) {
                    std::fprintf(stderr, "serve: bad port '%s' (0 to 65535)\n", v.c_str());
                    return 2;
                }
            } else {
                std::string error;
                std::optional<Fault> f = parse_fault(v, &error);
                if (!f) {
                    std::fprintf(stderr, "serve: bad fault '%s': %s\n", v.c_str(), error.c_str());
                    return 2;
                }
                options.faults.push_back(*f);
            }
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "serve: unknown option '%s'\n", a.c_str());
            return 2;
        } else if (have_root) {
            std::fprintf(stderr, "serve: only one folder can be served\n");
            return 2;
        } else {
            options.root = a;
            have_root = true;
        }
    }
    if (!have_root) {
        std::fprintf(stderr,
                     "usage: yanqing-server serve OUT [--port N] [--fault MODE[@/PREFIX]]...\n");
        return 2;
    }

    // SIGINT and SIGTERM are taken by one thread with sigwait, which stops
    // the server; every other thread (the server's workers are started
    // later and inherit the mask) never sees them.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    CatalogueServer server(options);
    std::string error = server.start();
    if (!error.empty()) {
        std::fprintf(stderr, "serve: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& p : server.problems()) std::fprintf(stderr, "serve: %s\n", p.c_str());
    std::fprintf(stderr, "serving %s on http://%s:%d/\n", options.root.c_str(),
                 options.host.c_str(), server.port());

    std::thread waiter([&] {
        int sig = 0;
        sigwait(&stop_signals, &sig);
        server.stop();
    });
    server.run();
    // run() also returns when the listening socket fails; wake the waiter.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    std::fprintf(stderr, "stopped\n");
    return 0;
}

#define YQ_STR2(x) #x
#define YQ_STR(x) YQ_STR2(x)

const Command reg{"serve",
                  "OUT [--port N] [--fault MODE[@/PREFIX]]...\n\n"
                  "  --port N   listen on 127.0.0.1:N (default " YQ_STR(YQ_SERVER_PORT) ", 0: any free port)\n"
                  "  --fault    misbehave on purpose, for tests (repeatable):\n"
                  "             no-length, cut=N, slow=BYTES_PER_SEC, status=CODE,\n"
                  "             version=TEXT, program=TEXT, corrupt=flip|magic, endless;\n"
                  "             @/PREFIX limits"
                  " a mode to paths starting with /PREFIX (see doc/server.md)",
                  "serve a built catalogue folder over HTTP on 127.0.0.1", run_serve};

}  // namespace
}  // namespace yq::server
