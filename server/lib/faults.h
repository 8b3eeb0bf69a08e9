// Fault modes of the test server: deliberate misbehaviour chosen when the
// server starts, each optionally limited to paths that start with a prefix.
//
//   no-length          no Content-Length; the body ends when the connection closes
//   cut=N              the body stops after N bytes and the connection is closed
//   slow=BYTES_PER_SEC the body trickles at that rate, then the connection is closed
//   status=CODE        every answer is CODE (400..599) with a small HTML body
//   version=TEXT       /ztpz.txt answers TEXT (escapes \r \n \t \\ \xHH)
//   program=TEXT       /My.txt answers TEXT (the same escapes): another program
//   corrupt=flip       one byte in the middle of each served zt container is inverted
//   corrupt=magic      the magic of each served zt container is wrong
//   endless            no Content-Length, and the body never ends: the answer's
//                      bytes, then random-looking bytes until the client goes
//                      away or the server stops
//
// "MODE@/prefix" applies MODE only to decoded paths that start with /prefix.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace yq::server {

inline constexpr uint64_t kMaxSlowBytesPerSecond = 1ull << 30;

enum class FaultKind { NoLength, Cut, Slow, Status, Version, Program, Corrupt, Endless };
enum class Corruption { None, Flip, Magic };

struct Fault {
    FaultKind kind = FaultKind::NoLength;
    uint64_t number = 0;  // cut: bytes; slow: bytes per second; status: code
    std::string text;     // version, program: the body
    Corruption corruption = Corruption::None;
    std::string prefix = "/";
};

// Everything that applies to one request, after matching the prefixes. When
// several faults of one kind match, the last one given wins.
struct FaultPlan {
    bool no_length = false;
    std::optional<uint64_t> cut_after;
    std::optional<uint64_t> bytes_per_second;
    int status = 0;  // 0: answer normally
    std::optional<std::string> version;
    std::optional<std::string> program;
    Corruption corruption = Corruption::None;
    bool endless = false;

    bool any() const {
        return no_length || cut_after || bytes_per_second || status || version || program ||
               corruption != Corruption::None || endless;
    }
};

// Parses one --fault argument. nullopt with *error set when it is not valid.
std::optional<Fault> parse_fault(std::string_view text, std::string* error);

FaultPlan plan_faults(const std::vector<Fault>& faults, std::string_view path);

// Short description of a plan for the access log ("cut=1000,slow=500"), "-" when none.
std::string describe(const FaultPlan& plan);

// Changes the bytes at [offset, offset + n) of a container whose total size
// is `size`, as `corruption` says; offset counts from the container's start.
void corrupt_bytes(Corruption corruption, uint64_t size, uint64_t offset, uint8_t* data, size_t n);

// The bytes at [offset, offset + n) of the endless filler: random-looking,
// and the same for the same offset every time.
void endless_bytes(uint64_t offset, uint8_t* data, size_t n);

}  // namespace yq::server
