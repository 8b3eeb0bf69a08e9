#include "server/lib/http_server.h"

#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "server/lib/request_head.h"

namespace yq::server {

namespace {

using Clock = std::chrono::steady_clock;

// How often waiting connections are checked against their deadlines.
constexpr std::chrono::milliseconds kSweepInterval{100};
// A refused connection is read and discarded this long at most, so that
// the client sees the answer rather than a reset.
constexpr std::chrono::milliseconds kDrainTime{1000};
// Connections the kernel may hold that the accept loop has not taken yet.
constexpr int kListenBacklog = 1024;
// Slices of a wait for a writable socket, between looks at the stop flag.
constexpr int kWriteWaitSliceMs = 100;

struct Connection {
    int fd = -1;
    std::string ip;
    int port = 0;
    std::string buffer;  // received and not yet consumed: the head, maybe more
    RequestHeadReader head;
    size_t served = 0;
    Clock::time_point waiting_since;
    bool draining = false;  // refused: reading until the client closes
    Clock::time_point drain_until;

    ~Connection() {
        if (fd >= 0) {
            ::shutdown(fd, SHUT_RDWR);
            ::close(fd);
        }
    }
};

// One request of a connection, as httplib sees it: reads give the buffered
// head and then end (bodies are never read), writes go to the socket and
// give up when it takes nothing for `stall` or the server stops.
class ConnectionStream : public httplib::Stream {
  public:
    ConnectionStream(Connection& c, size_t head_bytes, std::chrono::milliseconds stall,
                     std::function<bool()> stopping)
        : c_(c), head_bytes_(head_bytes), stall_(stall), stopping_(std::move(stopping)) {}

    bool is_readable() const override { return read_ < head_bytes_; }
    bool is_writable() const override { return wait_writable(); }

    ssize_t read(char* ptr, size_t size) override {
        size_t n = std::min(size, head_bytes_ - read_);
        c_.buffer.copy(ptr, n, read_);
        read_ += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        size_t done = 0;
        while (done < size) {
            ssize_t n = ::send(c_.fd, ptr + done, size - done, MSG_NOSIGNAL);
            if (n > 0) {
                done += static_cast<size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                if (!wait_writable()) return -1;
            } else {
                return -1;
            }
        }
        return static_cast<ssize_t>(size);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        ip = c_.ip;
        port = c_.port;
    }

    void get_local_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage addr{};
        socklen_t len = sizeof addr;
        ip.clear();
        port = -1;
        if (getsockname(c_.fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
            address_of(addr, &ip, &port);
    }

    socket_t socket() const override { return c_.fd; }

    static void address_of(const sockaddr_storage& addr, std::string* ip, int* port) {
        char text[INET6_ADDRSTRLEN] = "";
        if (addr.ss_family == AF_INET) {
            const auto& a = reinterpret_cast<const sockaddr_in&>(addr);
            inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
            *port = ntohs(a.sin_port);
        } else if (addr.ss_family == AF_INET6) {
            const auto& a = reinterpret_cast<const sockaddr_in6&>(addr);
            inet_ntop(AF_INET6, &a.sin6_addr, text, sizeof text);
            *port = ntohs(a.sin6_port);
        }
        *ip = text;
    }

  private:
    bool wait_writable() const {
        const auto until = Clock::now() + stall_;
        for (;;) {
            if (stopping_()) return false;
            pollfd p{c_.fd, POLLOUT, 0};
            int r = ::poll(&p, 1, kWriteWaitSliceMs);
            if (r > 0) return (p.revents & (POLLERR | POLLHUP | POLLNVAL)) == 0;
            if (r < 0 && errno != EINTR) return false;
            if (Clock::now() >= until) return false;
        }
    }

    Connection& c_;
    const size_t head_bytes_;
    size_t read_ = 0;
    const std::chrono::milliseconds stall_;
    std::function<bool()> stopping_;
};

std::string refusal_answer(int status, const char* title) {
    std::string s = std::to_string(status) + " " + title;
    std::string page = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + s +
                       "</title></head>\n<body><h1>" + s + "</h1></body></html>\n";
    return "HTTP/1.1 " + s +
           "\r\nContent-Type: text/html\r\nConnection: close\r\nContent-Length: " +
           std::to_string(page.size()) + "\r\n\r\n" + page;
}

}  // namespace

struct HttpServer::Impl {
    HttpServer& server;
    const int workers;
    const ConnectionLimits limits;
    const RefusalLog log;

    int epoll_fd = -1;
    int wake_fd = -1;
    std::thread poller;
    std::vector<std::thread> pool;
    std::atomic<bool> stopping{false};

    std::mutex mutex;  // guards the three below
    std::condition_variable work;
    std::vector<std::unique_ptr<Connection>> incoming;  // for the epoll thread to take
    std::deque<std::unique_ptr<Connection>> ready;      // a whole head each, for the workers
    bool quit = false;

    // The epoll thread's own.
    std::unordered_map<int, std::unique_ptr<Connection>> waiting;

    Impl(HttpServer& s, int w, ConnectionLimits l, RefusalLog g)
        : server(s), workers(std::max(1, w)), limits(l), log(std::move(g)) {}

    bool server_stopping() const {
        return stopping.load() || server.svr_sock_.load() == INVALID_SOCKET;
    }

    bool start();
    void finish();

    void park(std::unique_ptr<Connection> c);
    void poll_loop();
    void adopt(std::unique_ptr<Connection> c);
    void on_readable(int fd);
    void advance(std::unordered_map<int, std::unique_ptr<Connection>>::iterator it);
    void refuse(Connection& c, int status, const char* title, const char* reason);
    void sweep(Clock::time_point now);
    void forget(int fd);

    void work_loop();
    void serve_one(std::unique_ptr<Connection> c);
};

bool HttpServer::Impl::start() {
    epoll_fd = epoll_create1(EPOLL_CLOEXEC);
    wake_fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (epoll_fd < 0 || wake_fd < 0) return false;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = wake_fd;
    if (epoll_ctl(epoll_fd, EPOLL_CTL_ADD, wake_fd, &ev) != 0) return false;
    poller = std::thread([this] { poll_loop(); });
    for (int i = 0; i < workers; ++i) pool.emplace_back([this] { work_loop(); });
    return true;
}

void HttpServer::Impl::finish() {
    stopping = true;
    {
        std::lock_guard<std::mutex> lock(mutex);
        quit = true;
    }
    work.notify_all();
    if (wake_fd >= 0) {
        uint64_t one = 1;
        (void)!::write(wake_fd, &one, sizeof one);
    }
    if (poller.joinable()) poller.join();
    for (std::thread& t : pool) t.join();
    pool.clear();
    waiting.clear();
    incoming.clear();
    ready.clear();
    if (epoll_fd >= 0) ::close(epoll_fd);
    if (wake_fd >= 0) ::close(wake_fd);
    epoll_fd = wake_fd = -1;
}

void HttpServer::Impl::park(std::unique_ptr<Connection> c) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (quit) return;  // closed by the destructor
        incoming.push_back(std::move(c));
    }
    uint64_t one = 1;
    (void)!::write(wake_fd, &one, sizeof one);
}

void HttpServer::Impl::poll_loop() {
    epoll_event events[64];
    auto next_sweep = Clock::now() + kSweepInterval;
    for (;;) {
        auto wait =
            std::chrono::duration_cast<std::chrono::milliseconds>(next_sweep - Clock::now());
        int n = epoll_wait(epoll_fd, events, 64, std::max<int>(0, static_cast<int>(wait.count())));
        if (n < 0 && errno != EINTR) break;
        for (int i = 0; i < n; ++i) {
            if (events[i].data.fd == wake_fd) {
                uint64_t count;
                (void)!::read(wake_fd, &count, sizeof count);
            } else {
                on_readable(events[i].data.fd);
            }
        }
        std::vector<std::unique_ptr<Connection>> taken;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (quit) break;
            taken.swap(incoming);
        }
        for (auto& c : taken) adopt(std::move(c));
        const auto now = Clock::now();
        if (now >= next_sweep) {
            sweep(now);
            next_sweep = now + kSweepInterval;
        }
    }
    waiting.clear();
}

void HttpServer::Impl::adopt(std::unique_ptr<Connection> c) {
    c->waiting_since = Clock::now();
    if (waiting.size() >= limits.waiting_connections && !waiting.empty()) {
        auto oldest = waiting.begin();
        for (auto it = waiting.begin(); it != waiting.end(); ++it)
            if (it->second->waiting_since < oldest->second->waiting_since) oldest = it;
        forget(oldest->first);
    }
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = c->fd;
    if (epoll_ctl(epoll_fd, EPOLL_CTL_ADD, c->fd, &ev) != 0) return;  // closed with c
    const int fd = c->fd;
    auto [it, added] = waiting.emplace(fd, std::move(c));
    // Bytes left over from the last request may already hold the next head.
    if (!it->second->buffer.empty()) advance(it);
}

void HttpServer::Impl::forget(int fd) {
    epoll_ctl(epoll_fd, EPOLL_CTL_DEL, fd, nullptr);
    waiting.erase(fd);
}

void HttpServer::Impl::on_readable(int fd) {
    auto it = waiting.find(fd);
    if (it == waiting.end()) return;
    Connection& c = *it->second;
    char buf[16384];
    // Never more than one byte past the head limit is kept.
    size_t room =
        c.draining ? sizeof buf : std::min(sizeof buf, kMaxRequestHeadBytes + 1 - c.buffer.size());
    ssize_t n = ::recv(fd, buf, room, 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    if (n <= 0) return forget(fd);  // the client closed, mid-head or not
    if (c.draining) return;
    c.buffer.append(buf, static_cast<size_t>(n));
    advance(it);
}

void HttpServer::Impl::advance(std::unordered_map<int, std::unique_ptr<Connection>>::iterator it) {
    Connection& c = *it->second;
    switch (c.head.scan(c.buffer)) {
        case RequestHeadReader::State::Incomplete:
            return;
        case RequestHeadReader::State::TooLarge:
            return refuse(c, 431, "Request Header Fields Too Large", "head-too-large");
        case RequestHeadReader::State::TooManyLines:
            return refuse(c, 431, "Request Header Fields Too Large", "too-many-headers");
        case RequestHeadReader::State::Complete:
            break;
    }
    epoll_ctl(epoll_fd, EPOLL_CTL_DEL, c.fd, nullptr);
    std::unique_ptr<Connection> taken = std::move(it->second);
    waiting.erase(it);
    {
        std::lock_guard<std::mutex> lock(mutex);
        ready.push_back(std::move(taken));
    }
    work.notify_one();
}

void HttpServer::Impl::refuse(Connection& c, int status, const char* title, const char* reason) {
    if (log) log({c.ip, c.port, request_line_of(c.buffer), status, reason});
    std::string answer = refusal_answer(status, title);
    (void)!::send(c.fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    ::shutdown(c.fd, SHUT_WR);
    c.draining = true;
    c.drain_until = Clock::now() + kDrainTime;
    c.buffer.clear();
}

void HttpServer::Impl::sweep(Clock::time_point now) {
    std::vector<int> expired;
    for (auto& [fd, c] : waiting) {
        if (c->draining) {
            if (now >= c->drain_until) expired.push_back(fd);
        } else if (c->buffer.empty()) {
            if (now - c->waiting_since >= limits.keep_alive_idle) expired.push_back(fd);
        } else if (now - c->waiting_since >= limits.request_head_time) {
            refuse(*c, 408, "Request Timeout", "head-timeout");
        }
    }
    for (int fd : expired) forget(fd);
}

void HttpServer::Impl::work_loop() {
    for (;;) {
        std::unique_ptr<Connection> c;
        {
            std::unique_lock<std::mutex> lock(mutex);
            work.wait(lock, [this] { return quit || !ready.empty(); });
            if (quit) return;
            c = std::move(ready.front());
            ready.pop_front();
        }
        serve_one(std::move(c));
    }
}

void HttpServer::Impl::serve_one(std::unique_ptr<Connection> c) {
    ++c->served;
    const size_t head_bytes = c->head.head_bytes();
    const bool last =
        c->served >= limits.requests_per_connection || c->head.has_body() || server_stopping();
    bool closed_by_client = false;
    bool answered;
    {
        ConnectionStream stream(*c, head_bytes, limits.send_stall,
                                [this] { return server_stopping(); });
        answered = server.process_request(stream, last, closed_by_client, nullptr);
    }
    if (!answered || closed_by_client || last || server_stopping()) return;  // closes c
    c->buffer.erase(0, head_bytes);
    c->head.reset();
    park(std::move(c));
}

HttpServer::HttpServer(int workers, ConnectionLimits limits, RefusalLog log)
    : impl_(std::make_unique<Impl>(*this, workers, limits, std::move(log))) {
    // The accept loop hands each connection straight to process_and_close_socket,
    // which only parks it, so it needs no thread pool of its own.
    struct OnTheSpot : httplib::TaskQueue {
        void enqueue(std::function<void()> fn) override { fn(); }
        void shutdown() override {}
    };
    new_task_queue = [] { return new OnTheSpot; };
    // What the Keep-Alive header announces.
    set_keep_alive_timeout(static_cast<time_t>(
        std::chrono::duration_cast<std::chrono::seconds>(limits.keep_alive_idle).count()));
    set_keep_alive_max_count(limits.requests_per_connection);
}

HttpServer::~HttpServer() = default;

bool HttpServer::serve() {
    // httplib listens with a backlog of 5: connections beyond that wait for
    // the client's handshake to be retried, seconds later. Listening again
    // on the bound socket only changes the backlog.
    const socket_t listening = svr_sock_;
    if (listening != INVALID_SOCKET) ::listen(listening, kListenBacklog);
    bool ok = impl_->start() && listen_after_bind();
    impl_->finish();
    return ok;
}

bool HttpServer::process_and_close_socket(socket_t sock) {
    auto c = std::make_unique<Connection>();
    c->fd = sock;
    if (impl_->server_stopping()) return false;
    int flags = fcntl(sock, F_GETFL);
    if (flags < 0 || fcntl(sock, F_SETFL, flags | O_NONBLOCK) != 0) return false;
    int one = 1;
    setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (getpeername(sock, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        ConnectionStream::address_of(addr, &c->ip, &c->port);
    impl_->park(std::move(c));
    return true;
}

}  // namespace yq::server
