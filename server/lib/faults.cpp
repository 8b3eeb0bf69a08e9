#include "server/lib/faults.h"

#include "base/text.h"

namespace yq::server {

namespace {

std::optional<uint64_t> parse_count(std::string_view s) {
    return parse_decimal(s);
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> unescape(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (++i >= s.size()) return std::nullopt;
        switch (s[i]) {
            case 'r':
                out += '\r';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case '\\':
                out += '\\';
                break;
            case 'x': {
                if (i + 2 >= s.size()) return std::nullopt;
                int hi = hex_digit(s[i + 1]), lo = hex_digit(s[i + 2]);
                if (hi < 0 || lo < 0) return std::nullopt;
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return out;
}

std::optional<Fault> bad(std::string* error, std::string why) {
    if (error) *error = std::move(why);
    return std::nullopt;
}

// Offset of the byte that corrupt=flip inverts: the middle of the zlib stream,
// so both a strict unpacker and the stream's check value notice.
uint64_t flip_offset(uint64_t size) {
    return size > 8 ? 8 + (size - 8) / 2 : size / 2;
}

}  // namespace

std::optional<Fault> parse_fault(std::string_view text, std::string* error) {
    Fault f;
    // version=TEXT and program=TEXT may themselves hold '@', so only a trailing "@/..." is a
    // prefix.
    size_t at = text.rfind("@/");
    if (at != std::string_view::npos) {
        f.prefix = std::string(text.substr(at + 1));
        text = text.substr(0, at);
    }
    size_t eq = text.find('=');
    std::string_view mode = text.substr(0, eq);
    std::string_view arg = eq == std::string_view::npos ? "" : text.substr(eq + 1);
    bool has_arg = eq != std::string_view::npos;

    if (mode == "no-length") {
        if (has_arg) return bad(error, "no-length takes no value");
        f.kind = FaultKind::NoLength;
    } else if (mode == "endless") {
        if (has_arg) return bad(error, "endless takes no value");
        f.kind = FaultKind::Endless;
    } else if (mode == "cut") {
        std::optional<uint64_t> n = parse_count(arg);
        if (!n) return bad(error, "cut=N needs a byte count");
        f.kind = FaultKind::Cut;
        f.number = *n;
    } else if (mode == "slow") {
        std::optional<uint64_t> n = parse_count(arg);
        if (!n || *n == 0 || *n > kMaxSlowBytesPerSecond)
            return bad(error, "slow=BYTES_PER_SEC needs a rate from 1 to 2^30");
        f.kind = FaultKind::Slow;
        f.number = *n;
    } else if (mode == "status") {
        std::optional<uint64_t> n = parse_count(arg);
        if (!n || *n < 400 || *n > 599)
            return bad(error, "status=CODE needs a code from 400 to 599");
        f.kind = FaultKind::Status;
        f.number = *n;
    } else if (mode == "version" || mode == "program") {
        std::optional<std::string> text = unescape(arg);
        if (!has_arg || !text) return bad(error, std::string(mode) + "=TEXT has a bad escape");
        f.kind = mode == "version" ? FaultKind::Version : FaultKind::Program;
        f.text = std::move(*text);
    } else if (mode == "corrupt") {
        f.kind = FaultKind::Corrupt;
        if (arg == "flip") {
            f.corruption = Corruption::Flip;
        } else if (arg == "magic") {
            f.corruption = Corruption::Magic;
        } else {
            return bad(error, "corrupt= takes flip or magic");
        }
    } else {
        return bad(error, "unknown fault mode '" + std::string(mode) + "'");
    }
    return f;
}

FaultPlan plan_faults(const std::vector<Fault>& faults, std::string_view path) {
    FaultPlan plan;
    for (const Fault& f : faults) {
        if (!path.starts_with(f.prefix)) continue;
        switch (f.kind) {
            case FaultKind::NoLength:
                plan.no_length = true;
                break;
            case FaultKind::Cut:
                plan.cut_after = f.number;
                break;
            case FaultKind::Slow:
                plan.bytes_per_second = f.number;
                break;
            case FaultKind::Status:
                plan.status = static_cast<int>(f.number);
                break;
            case FaultKind::Version:
                plan.version = f.text;
                break;
            case FaultKind::Program:
                plan.program = f.text;
                break;
            case FaultKind::Corrupt:
                plan.corruption = f.corruption;
                break;
            case FaultKind::Endless:
                plan.endless = true;
                break;
        }
    }
    return plan;
}

std::string describe(const FaultPlan& plan) {
    std::string out;
    auto add = [&](const std::string& s) { out += (out.empty() ? "" : ",") + s; };
    if (plan.status) add("status=" + std::to_string(plan.status));
    if (plan.no_length) add("no-length");
    if (plan.endless) add("endless");
    if (plan.cut_after) add("cut=" + std::to_string(*plan.cut_after));
    if (plan.bytes_per_second) add("slow=" + std::to_string(*plan.bytes_per_second));
    if (plan.version) add("version");
    if (plan.program) add("program");
    if (plan.corruption == Corruption::Flip) add("corrupt=flip");
    if (plan.corruption == Corruption::Magic) add("corrupt=magic");
    return out.empty() ? "-" : out;
}

void corrupt_bytes(Corruption corruption, uint64_t size, uint64_t offset, uint8_t* data, size_t n) {
    uint64_t target;
    switch (corruption) {
        case Corruption::None:
            return;
        case Corruption::Flip:
            target = flip_offset(size);
            break;
        case Corruption::Magic:
            target = 0;
            break;
        default:
            return;
    }
    if (target >= offset && target - offset < n) data[target - offset] ^= 0xFF;
}

void endless_bytes(uint64_t offset, uint8_t* data, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        // splitmix64 of the 8-byte word the byte falls in
        uint64_t x = ((offset + i) >> 3) + 0x9E3779B97F4A7C15ull;
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
        x ^= x >> 31;
        data[i] = static_cast<uint8_t>(x >> (8 * ((offset + i) & 7)));
    }
}

}  // namespace yq::server
