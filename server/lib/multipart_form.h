// Reads a multipart/form-data body (RFC 7578 over RFC 2046) as it arrives
// and counts the bytes of one field, keeping at most kMaxFormBufferBytes of
// it in memory whatever the body's size. The stand-in identification page
// uses it to tell how large the uploaded picture was.
//
// Framing, as read here: the body is a preamble, then parts, each opened by
// a delimiter line "--BOUNDARY" (CR LF before it, except at the very start),
// then the part's header lines and an empty line, then its data; the close
// delimiter "--BOUNDARY--" ends the form and whatever follows is ignored.
// A delimiter may be followed by blanks before its CR LF. "CR LF --BOUNDARY"
// followed by anything else is data: senders choose a boundary that their
// data does not hold, but a reader cannot count on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace yq::server {

// RFC 2046 allows boundaries of 1 to 70 characters.
inline constexpr size_t kMaxBoundaryBytes = 70;
// A part's header lines and the empty line after them.
inline constexpr size_t kMaxPartHeadBytes = 8 << 10;
// Parts in one form; the identification form has one.
inline constexpr size_t kMaxFormParts = 64;
// Input is taken this many bytes at a time, whatever one feed() is given.
inline constexpr size_t kFormSliceBytes = 4 << 10;
// Blanks allowed between a delimiter and its line end.
inline constexpr size_t kMaxDelimiterPadding = 64;
// What the reader may hold at once: a part head being read, or the last
// bytes of a slice that may begin a delimiter, plus the slice taken.
inline constexpr size_t kMaxFormBufferBytes = kMaxPartHeadBytes + kFormSliceBytes;

// The boundary of a Content-Type value "multipart/form-data; boundary=...",
// the parameter quoted or not, names in any case. nullopt when the type is
// not multipart/form-data, or it has no boundary, or the boundary is empty,
// longer than kMaxBoundaryBytes, or holds bytes outside printable ASCII.
std::optional<std::string> form_boundary(std::string_view content_type);

// Whether a Content-Type value names multipart/form-data at all (with a
// usable boundary or not).
bool is_form_data(std::string_view content_type);

class FormFieldCounter {
  public:
    enum class Error {
        None,
        Truncated,         // the body ended before the close delimiter
        PartHeadTooLarge,  // a part head over kMaxPartHeadBytes
        TooManyParts,      // more than kMaxFormParts parts
    };

    // `boundary` as form_boundary() gives it; `field` is the name= of the
    // part to count (the first part of that name).
    FormFieldCounter(std::string_view boundary, std::string_view field);

    // Takes the next bytes of the body, in any pieces. False once the body
    // is known to be bad (error() says why); later bytes are then ignored.
    bool feed(std::string_view bytes);

    // Says that the body has ended. True when the form was whole (its close
    // delimiter was seen) and nothing was wrong; otherwise error() says why.
    bool finish();

    Error error() const { return error_; }
    // A part named `field` was seen, and how many data bytes it held (an
    // upload input left empty sends such a part with no data).
    bool field_found() const { return found_; }
    uint64_t field_bytes() const { return field_bytes_; }

    // Bytes held now; never more than kMaxFormBufferBytes.
    size_t buffered_bytes() const { return buf_.size(); }

  private:
    enum class State { Preamble, PartHead, PartData, Epilogue, Failed };
    void run();
    bool scan_data();
    bool read_part_head();
    void fail(Error e);

    std::string delimiter_;  // CR LF "--" boundary
    std::string field_;
    std::string buf_;
    State state_ = State::Preamble;
    Error error_ = Error::None;
    size_t parts_ = 0;
    bool counting_ = false;
    bool found_ = false;
    uint64_t field_bytes_ = 0;
};

const char* to_string(FormFieldCounter::Error e);

}  // namespace yq::server
