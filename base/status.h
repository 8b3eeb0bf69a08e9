// How the portable readers and writers report failure: a Status (a code the
// caller can branch on, and a GBK text for the user) or a Result<T> (a value,
// or the Status saying why there is none). Nothing throws.
//
//   Result<std::unique_ptr<Database>> db = Database::open(path);
//   if (!db.ok()) show_message(db.status().message());
//   use(**db);
#pragma once

#include <cassert>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

namespace yq {

enum class StatusCode : uint8_t {
    kOk,
    kNotFound,         // the file, or a named part of it, is not there
    kReadFailed,       // the system would not open or read it
    kWriteFailed,      // the system, or the caller's writer, would not take the bytes
    kNotRecognised,    // the bytes are not of the expected format at all
    kUnsupported,      // a form of the format that is refused (another version, encryption)
    kCorrupt,          // the bytes contradict themselves or their bounds: damage
    kTooLarge,         // past a limit of the format or of the caller
    kInvalidArgument,  // what the caller asked for breaks a rule (what a writer refuses)
};

// The code's name, for logs and test output ("corrupt").
const char* to_string(StatusCode code);

class [[nodiscard]] Status {
  public:
    // Success.
    Status() = default;
    // A failure (an ok code here is turned into kInvalidArgument: a failure
    // always has a failure code). `message` is GBK, as a message box shows it.
    Status(StatusCode code, std::string message)
        : code_(code == StatusCode::kOk ? StatusCode::kInvalidArgument : code),
          message_(std::move(message)) {}

    bool ok() const { return code_ == StatusCode::kOk; }
    StatusCode code() const { return code_; }
    // What went wrong, in words a user can act on; empty on success.
    const std::string& message() const { return message_; }

  private:
    StatusCode code_ = StatusCode::kOk;
    std::string message_;
};

// A value, or the failure that kept it from being made. A Result built from
// a Status that is ok holds no value, so it is a kInvalidArgument failure:
// ok() is true exactly when there is a value.
template <typename T>
class [[nodiscard]] Result {
    static_assert(!std::is_same_v<std::decay_t<T>, Status>, "use Status itself");

  public:
    Result(T value) : value_(std::move(value)) {}
    Result(Status status)
        : status_(status.ok() ? Status(StatusCode::kInvalidArgument, "no value")
                              : std::move(status)) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    // Success, or why there is no value.
    const Status& status() const { return status_; }

    // The value; only when ok().
    T& value() & {
        assert(ok());
        return *value_;
    }
    const T& value() const& {
        assert(ok());
        return *value_;
    }
    T&& value() && {
        assert(ok());
        return std::move(*value_);
    }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    // The value, or `fallback` on failure.
    template <typename U>
    T value_or(U&& fallback) const& {
        return ok() ? *value_ : static_cast<T>(std::forward<U>(fallback));
    }
    template <typename U>
    T value_or(U&& fallback) && {
        return ok() ? std::move(*value_) : static_cast<T>(std::forward<U>(fallback));
    }

  private:
    std::optional<T> value_;
    Status status_;
};

inline const char* to_string(StatusCode code) {
    switch (code) {
        case StatusCode::kOk:
            return "ok";
        case StatusCode::kNotFound:
            return "not found";
        case StatusCode::kReadFailed:
            return "read failed";
        case StatusCode::kWriteFailed:
            return "write failed";
        case StatusCode::kNotRecognised:
            return "not recognised";
        case StatusCode::kUnsupported:
            return "unsupported";
        case StatusCode::kCorrupt:
            return "corrupt";
        case StatusCode::kTooLarge:
            return "too large";
        case StatusCode::kInvalidArgument:
            return "invalid argument";
    }
    return "unknown";
}

}  // namespace yq
