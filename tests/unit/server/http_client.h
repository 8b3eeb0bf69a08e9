// Test clients: curl for ordinary requests, a raw socket for bytes curl would
// normalise or refuse to send.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "test_support.h"

namespace yq::server::testing {

struct HttpReply {
    int status = 0;
    std::map<std::string, std::string> headers;  // names lower-cased
    std::string body;
    int exit_code = 0;    // curl's; 18 means the body ended before its length
    bool closed = false;  // raw socket: the server closed the connection

    std::string header(const std::string& lower_name) const {
        auto it = headers.find(lower_name);
        return it == headers.end() ? "" : it->second;
    }
};

inline std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Reads the status line and headers of the last response in `head`.
inline void parse_head(const std::string& head, HttpReply* r) {
    size_t start = head.rfind("HTTP/");
    if (start == std::string::npos) return;
    size_t pos = start;
    size_t eol = head.find("\r\n", pos);
    std::string status_line = head.substr(pos, eol - pos);
    size_t sp = status_line.find(' ');
    if (sp != std::string::npos) r->status = std::atoi(status_line.c_str() + sp + 1);
    r->headers.clear();
    pos = eol == std::string::npos ? head.size() : eol + 2;
    while (pos < head.size()) {
        eol = head.find("\r\n", pos);
        if (eol == std::string::npos || eol == pos) break;
        std::string line = head.substr(pos, eol - pos);
        size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::string value = line.substr(colon + 1);
            while (!value.empty() && value.front() == ' ') value.erase(0, 1);
            r->headers[lower(line.substr(0, colon))] = value;
        }
        pos = eol + 2;
    }
}

// Runs curl on `url` with extra arguments (each passed as one word).
inline HttpReply curl(const std::string& url, const std::vector<std::string>& args = {}) {
    TempDir dir;
    std::string cmd =
        "curl -s --max-time 30 -o '" + (dir / "body") + "' -D '" + (dir / "head") + "'";
    for (const std::string& a : args) cmd += " '" + a + "'";
    cmd += " '" + url + "' 2>/dev/null";
    int rc = std::system(cmd.c_str());
    HttpReply r;
    r.exit_code = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    parse_head(read_bytes(dir / "head"), &r);
    r.body = read_bytes(dir / "body");
    return r;
}

// Sends `request` as is and reads until the server closes the connection or
// `wait_ms` pass without data.
inline HttpReply raw_request(int port, const std::string& request, int wait_ms = 5000) {
    HttpReply r;
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return r;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval tv{wait_ms / 1000, (wait_ms % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return r;
    }
    (void)!write(fd, request.data(), request.size());
    std::string all;
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n == 0) r.closed = true;
        if (n <= 0) break;
        all.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    size_t end = all.find("\r\n\r\n");
    parse_head(all.substr(0, end == std::string::npos ? all.size() : end + 2), &r);
    if (end != std::string::npos) r.body = all.substr(end + 4);
    return r;
}

// One loopback connection held open by the test: for clients that wait, read
// part of an answer, or send a request a byte at a time. `receive_buffer`,
// when not 0, is the socket's receive buffer, set before connecting: a small
// one makes the server wait for a slow reader at once.
class RawConnection {
  public:
    explicit RawConnection(int port, int receive_buffer = 0) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) return;
        if (receive_buffer > 0)
            setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~RawConnection() {
        if (fd_ >= 0) close(fd_);
    }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool ok() const { return fd_ >= 0; }
    bool send(const std::string& bytes) {
        return fd_ >= 0 && ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
                               static_cast<ssize_t>(bytes.size());
    }

    // Sends nothing more: the server reads the end of the stream.
    void finish_sending() {
        if (fd_ >= 0) ::shutdown(fd_, SHUT_WR);
    }

    // Reads into received() until done(received()) holds, the server closes
    // the connection, or timeout_ms pass. Returns done(received()).
    bool read_until(const std::function<bool(const std::string&)>& done, int timeout_ms) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (!done(received_) && !closed_ && fd_ >= 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            if (receive_some(65536) < 0) break;
        }
        return done(received_);
    }

    // One read of at most `max` bytes, waiting for them: how many came, 0
    // when the server has closed the connection (or reset it), -1 when the
    // connection is gone already.
    ssize_t receive_some(size_t max) {
        if (closed_ || fd_ < 0) return -1;
        std::string buf(max, '\0');
        ssize_t n;
        do {
            n = recv(fd_, buf.data(), max, 0);
        } while (n < 0 && errno == EINTR);
        if (n > 0) {
            received_.append(buf.data(), static_cast<size_t>(n));
            return n;
        }
        closed_ = true;
        reset_ = n < 0 && errno == ECONNRESET;
        return 0;
    }

    // True once the server has closed the connection (end of stream or a
    // reset), reading and keeping whatever comes first, for up to timeout_ms.
    bool wait_closed(int timeout_ms) {
        read_until([](const std::string&) { return false; }, timeout_ms);
        return closed_;
    }

    // Whether the server has closed the connection by now, without waiting.
    bool closed_now() {
        char c;
        ssize_t n = recv(fd_, &c, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) closed_ = true;
        if (n < 0 && errno == ECONNRESET) reset_ = true;
        return closed_;
    }

    const std::string& received() const { return received_; }
    // The server ended the connection with a reset rather than a close.
    bool reset() const { return reset_; }

  private:
    int fd_ = -1;
    bool closed_ = false;
    bool reset_ = false;
    std::string received_;
};

// The head of the first answer in `bytes` (status and headers) and what follows it.
inline HttpReply split_reply(const std::string& bytes) {
    HttpReply r;
    size_t end = bytes.find("\r\n\r\n");
    parse_head(bytes.substr(0, end == std::string::npos ? bytes.size() : end + 2), &r);
    if (end != std::string::npos) r.body = bytes.substr(end + 4);
    return r;
}

}  // namespace yq::server::testing
