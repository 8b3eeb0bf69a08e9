// Where a request head ends in the bytes a connection has buffered, and the
// limits on it, checked before any worker thread sees the request.
//
// The head is framed as the request parser reads it: the request line runs
// to the first LF; header lines follow, each ending in LF; the head ends
// with the first line that is exactly CR LF. Bytes after it (a pipelined
// request, a body) are not part of the head.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace yq::server {

// Request line, header lines and the blank line together.
inline constexpr size_t kMaxRequestHeadBytes = size_t{16} << 10;
// Lines between the request line and the blank line.
inline constexpr size_t kMaxRequestHeaderLines = 64;

class RequestHeadReader {
  public:
    enum class State { Incomplete, Complete, TooLarge, TooManyLines };

    // Looks at the bytes buffered so far and says whether they hold a whole
    // head. Each call must see the bytes of the previous one and maybe more;
    // scanning resumes where it stopped, so a head that arrives a byte at a
    // time costs no more than one that arrives at once. Once Complete or
    // over a limit, the answer stays until reset().
    State scan(std::string_view buffered);

    // After Complete: the head's length, blank line included.
    size_t head_bytes() const { return head_bytes_; }
    // After Complete: the head announces a body (Content-Length other than
    // 0, or any Transfer-Encoding). The connection is not reused after such
    // a request, whether its body was read or not.
    bool has_body() const { return has_body_; }
    // After Complete: the body's length, when the head gives it as one
    // Content-Length of decimal digits and has no Transfer-Encoding;
    // nullopt for a head without a body, or whose body's end the server
    // cannot tell (it reads no chunked bodies).
    std::optional<uint64_t> content_length() const {
        if (transfer_encoding_ || length_headers_ != 1 || !length_valid_) return std::nullopt;
        return length_;
    }

    // For the next request on the connection, once the caller has removed
    // head_bytes() from the front of its buffer.
    void reset() { *this = RequestHeadReader(); }

  private:
    void note_header(std::string_view line);

    State state_ = State::Incomplete;
    size_t line_start_ = 0;  // where the line being scanned begins
    size_t scanned_ = 0;     // bytes already searched for its end
    size_t lines_ = 0;       // complete lines so far, request line included
    size_t head_bytes_ = 0;
    bool has_body_ = false;
    bool transfer_encoding_ = false;
    size_t length_headers_ = 0;
    bool length_valid_ = false;
    uint64_t length_ = 0;
};

// The request line in `buffered` without its line end, at most `max` bytes:
// what the access log shows for a request refused before it was parsed.
std::string_view request_line_of(std::string_view buffered, size_t max = 200);

}  // namespace yq::server
