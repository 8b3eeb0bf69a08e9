#include "server/lib/http_server.h"

#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
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
// Connections the kernel may hold that the accept loop has not taken yet.
constexpr int kListenBacklog = 1024;
// Slices of a wait for the client, between looks at the stop flag, the
// request's pace and whether it has been cut.
constexpr int kClientWaitSliceMs = 100;

struct Connection {
    int fd = -1;
    std::string ip;
    int port = 0;
    std::string buffer;  // received and not yet consumed: the head, maybe more
    RequestHeadReader head;
    size_t served = 0;
    Clock::time_point waiting_since;
    bool draining = false;  // done with: reading until the client closes
    Clock::time_point drain_since;
    uint64_t drained = 0;
    // Cut off: closed with a reset, so that what the client has not taken
    // is dropped at once rather than kept by the kernel for it.
    bool cut_off = false;

    ~Connection() {
        if (fd < 0) return;
        if (cut_off) {
            linger abort{1, 0};
            setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        } else {
            ::shutdown(fd, SHUT_RDWR);
        }
        ::close(fd);
    }

    // Stops sending; the epoll thread then reads and discards what the
    // client still sends, so that closing later does not reset the
    // connection under an answer the client has not read yet.
    void start_draining() {
        ::shutdown(fd, SHUT_WR);
        draining = true;
        drain_since = Clock::now();
        drained = 0;
        buffer.clear();
    }
};

int64_t micros(Clock::duration d) {
    return std::chrono::duration_cast<std::chrono::microseconds>(d).count();
}

// The time one second per `rate` bytes gives for `bytes`, in microseconds.
int64_t allowance_us(uint64_t bytes, uint64_t rate) {
    if (rate == 0) return INT64_MAX / 2;
    uint64_t whole = std::min<uint64_t>(bytes / rate, uint64_t{1} << 40);
    return static_cast<int64_t>(whole * 1000000 + (bytes % rate) * 1000000 / rate);
}

// How one request's client keeps up: the time the server has waited for
// it and the bytes it has taken or sent. Read by the pool to choose which
// slow request to cut.
struct ClientPace {
    std::atomic<int64_t> waited_us{0};
    std::atomic<uint64_t> moved{0};
    std::atomic<bool> cut{false};  // set by the pool: end the request

    // How much longer the server may wait for this client; negative once
    // it has fallen behind.
    int64_t headroom_us(const ConnectionLimits& l) const {
        return micros(l.client_grace) + allowance_us(moved.load(), l.min_client_rate) -
               waited_us.load();
    }
};

// What a request's stream needs from the pool of workers.
class WorkerPool {
  public:
    virtual ~WorkerPool() = default;
    virtual bool server_stopping() const = 0;
    // The request has waited kSlowClientWait for its client: it no longer
    // counts as a worker. False when it is to end instead.
    virtual bool become_slow(ClientPace& pace) = 0;
};

// One request of a connection, as httplib sees it: reads give the buffered
// head and then end; writes go to the socket and give up when the client
// stalls or falls behind its pace, or the server stops. The handler reads
// the body, when it wants it, through RequestBody.
class ConnectionStream : public httplib::Stream, public RequestBody {
  public:
    ConnectionStream(Connection& c, const ConnectionLimits& limits, WorkerPool& pool)
        : c_(c), head_bytes_(c.head.head_bytes()), limits_(limits), pool_(pool) {}

    bool is_readable() const override { return read_ < head_bytes_; }
    bool is_writable() const override { return wait_for_client(POLLOUT); }

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
                written_ += static_cast<uint64_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                if (!wait_for_client(POLLOUT)) return -1;
            } else {
                return -1;
            }
        }
        return static_cast<ssize_t>(size);
    }

    std::optional<uint64_t> length() const override { return c_.head.content_length(); }

    ptrdiff_t read_some(char* buf, size_t size) override {
        const std::optional<uint64_t> total = length();
        if (!total || body_read_ >= *total || size == 0) return 0;
        size_t n = static_cast<size_t>(std::min<uint64_t>(size, *total - body_read_));
        // Body bytes that arrived with the head come first.
        const size_t ahead =
            c_.buffer.size() - std::min(c_.buffer.size(), head_bytes_ + from_buffer_);
        if (ahead > 0) {
            n = std::min(n, ahead);
            c_.buffer.copy(buf, n, head_bytes_ + from_buffer_);
            from_buffer_ += n;
            body_read_ += n;
            return static_cast<ptrdiff_t>(n);
        }
        for (;;) {
            ssize_t r = ::recv(c_.fd, buf, n, 0);
            if (r > 0) {
                body_read_ += static_cast<uint64_t>(r);
                received_ += static_cast<uint64_t>(r);
                return r;
            }
            if (r == 0) return kEndedEarly;
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) return kEndedEarly;
            if (!wait_for_client(POLLIN)) return kTooSlow;
        }
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

    ClientPace& pace() { return pace_; }
    bool slow() const { return slow_; }

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
    // Waits until the socket is ready for `events` (POLLOUT, or POLLIN for
    // the body). False when the request is to end: the client took or sent
    // nothing for send_stall, fell behind its pace or the connection
    // failed, the pool cut it, or the server is stopping; the connection is
    // then closed with a reset. Counts the time waited.
    bool wait_for_client(short events) const {
        if (wait_until_ready(events)) return true;
        c_.cut_off = true;
        return false;
    }

    bool wait_until_ready(short events) const {
        auto last = Clock::now();
        for (;;) {
            if (pool_.server_stopping() || pace_.cut.load()) return false;
            pollfd p{c_.fd, events, 0};
            int r = ::poll(&p, 1, kClientWaitSliceMs);
            if (r < 0 && errno != EINTR) return false;
            const auto now = Clock::now();
            pace_.waited_us += micros(now - last);
            last = now;
            // What the client has taken: bytes still in our send queue have
            // not reached it, however many the socket accepted.
            int unsent = 0;
            if (ioctl(c_.fd, SIOCOUTQ, &unsent) != 0 || unsent < 0) unsent = 0;
            const uint64_t moved = received_ + written_ - std::min<uint64_t>(written_, unsent);
            if (moved != pace_.moved.load()) last_progress_ = now;
            pace_.moved = moved;
            if (!slow_ && pace_.waited_us.load() >= micros(kSlowClientWait)) {
                if (!pool_.become_slow(pace_)) return false;
                slow_ = true;
            }
            if (pace_.headroom_us(limits_) < 0) return false;
            if (r > 0) {
                if (events == POLLIN) return true;  // recv() tells data from an end
                return (p.revents & (POLLERR | POLLHUP | POLLNVAL)) == 0;
            }
            if (now - last_progress_ >= limits_.send_stall) return false;
        }
    }

    Connection& c_;
    const size_t head_bytes_;
    size_t read_ = 0;
    const ConnectionLimits& limits_;
    WorkerPool& pool_;
    uint64_t written_ = 0;   // answer bytes the socket took
    uint64_t received_ = 0;  // body bytes read from the socket
    uint64_t body_read_ = 0;
    size_t from_buffer_ = 0;  // body bytes taken from what came with the head
    mutable ClientPace pace_;
    mutable bool slow_ = false;
    mutable Clock::time_point last_progress_ = Clock::now();
};

// The request being answered on this thread, for the handler.
thread_local ConnectionStream* t_request = nullptr;

struct NoBody : RequestBody {
    std::optional<uint64_t> length() const override { return std::nullopt; }
    ptrdiff_t read_some(char*, size_t) override { return 0; }
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

struct HttpServer::Impl : WorkerPool {
    HttpServer& server;
    const int workers;
    const ConnectionLimits limits;
    const RefusalLog log;

    int epoll_fd = -1;
    int wake_fd = -1;
    std::thread poller;
    std::vector<std::thread> pool;
    std::atomic<bool> stopping{false};

    std::mutex mutex;  // guards the members below, and `pool` once serving
    std::condition_variable work;
    std::vector<std::unique_ptr<Connection>> incoming;  // for the epoll thread to take
    std::deque<std::unique_ptr<Connection>> ready;      // a whole head each, for the workers
    bool quit = false;
    size_t active = 0;                 // requests being answered, slow ones aside
    std::vector<ClientPace*> slowest;  // slow requests being answered

    // The epoll thread's own.
    std::unordered_map<int, std::unique_ptr<Connection>> waiting;

    Impl(HttpServer& s, int w, ConnectionLimits l, RefusalLog g)
        : server(s), workers(std::max(1, w)), limits(l), log(std::move(g)) {}

    bool server_stopping() const override {
        return stopping.load() || server.svr_sock_.load() == INVALID_SOCKET;
    }
    bool become_slow(ClientPace& pace) override;
    void request_done(ConnectionStream& stream);

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
    std::lock_guard<std::mutex> lock(mutex);
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
    if (c.draining) {
        c.drained += static_cast<uint64_t>(n);
        if (c.drained > kMaxDrainBytes) forget(fd);
        return;
    }
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
    c.start_draining();
}

void HttpServer::Impl::sweep(Clock::time_point now) {
    std::vector<int> expired;
    for (auto& [fd, c] : waiting) {
        if (c->draining) {
            // The pace of an answer, with kDrainTime as its grace.
            if (micros(now - c->drain_since) >
                micros(kDrainTime) + allowance_us(c->drained, limits.min_client_rate))
                expired.push_back(fd);
        } else if (c->buffer.empty()) {
            // Idle, unless a request has arrived that the loop has not read
            // yet (the server was held up past the idle time): that one is
            // served, never dropped.
            char next;
            if (now - c->waiting_since >= limits.keep_alive_idle &&
                ::recv(fd, &next, 1, MSG_PEEK | MSG_DONTWAIT) <= 0)
                expired.push_back(fd);
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
            work.wait(lock, [this] {
                return quit || (!ready.empty() && active < static_cast<size_t>(workers));
            });
            if (quit) return;
            c = std::move(ready.front());
            ready.pop_front();
            ++active;
        }
        serve_one(std::move(c));
    }
}

bool HttpServer::Impl::become_slow(ClientPace& pace) {
    std::lock_guard<std::mutex> lock(mutex);
    if (quit) return false;
    size_t live = 0;
    for (ClientPace* p : slowest) live += !p->cut.load();
    if (live >= limits.slow_requests) {
        // Cut the one nearest to falling behind, this one included; it
        // leaves within one wait slice.
        ClientPace* victim = &pace;
        int64_t least = pace.headroom_us(limits);
        for (ClientPace* p : slowest) {
            if (p->cut.load()) continue;
            int64_t h = p->headroom_us(limits);
            if (h < least) victim = p, least = h;
        }
        if (victim == &pace) return false;
        victim->cut = true;
    }
    slowest.push_back(&pace);
    --active;
    // A thread for the worker this request no longer counts as. Cut ones
    // still leaving may be among the slow ones, hence the second bound.
    const size_t wanted = static_cast<size_t>(workers) + slowest.size();
    if (pool.size() < wanted && pool.size() < workers + 2 * limits.slow_requests)
        pool.emplace_back([this] { work_loop(); });
    work.notify_one();
    return true;
}

void HttpServer::Impl::request_done(ConnectionStream& stream) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (stream.slow()) {
            slowest.erase(std::find(slowest.begin(), slowest.end(), &stream.pace()));
        } else {
            --active;
        }
    }
    work.notify_one();
}

void HttpServer::Impl::serve_one(std::unique_ptr<Connection> c) {
    ++c->served;
    const size_t head_bytes = c->head.head_bytes();
    const bool with_body = c->head.has_body();
    const bool last = c->served >= limits.requests_per_connection || with_body || server_stopping();
    bool closed_by_client = false;
    bool answered;
    {
        ConnectionStream stream(*c, limits, *this);
        t_request = &stream;
        answered = server.process_request(stream, last, closed_by_client, nullptr);
        t_request = nullptr;
        request_done(stream);
    }
    if (answered && with_body && !c->cut_off && !server_stopping()) {
        // Some of the body may be unread, or still on its way.
        c->start_draining();
        return park(std::move(c));
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

void HttpServer::set_handler(Handler handler) {
    set_pre_routing_handler(
        [handler = std::move(handler)](const httplib::Request& req, httplib::Response& res) {
            NoBody none;
            RequestBody* body = t_request;
            handler(req, res, body ? *body : none);
            return httplib::Server::HandlerResponse::Handled;
        });
}

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
