#include "platform/zt/zt_container.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace yq {
namespace {

Bytes header(uint32_t stored) {
    Bytes b = {0x0D, 0x0F, 0x3E, 0x03};
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(stored >> (8 * i)));
    return b;
}

Bytes container(uint32_t stored, const Bytes& payload) {
    Bytes out = header(stored);
    uLongf n = compressBound(static_cast<uLong>(payload.size()));
    Bytes z(n);
    EXPECT_EQ(compress(z.data(), &n, payload.data(), static_cast<uLong>(payload.size())), Z_OK);
    out.insert(out.end(), z.begin(), z.begin() + n);
    return out;
}

// Unpacks with room for anything these tests make: the bytes, or none when
// refused.
Bytes unpack(const Bytes& container) {
    return zt_unpack(container, size_t{1} << 31).value_or(Bytes());
}

// Why the one-shot unpack refuses `container` (kOk when it does not).
StatusCode refusal(const Bytes& container, size_t max_output = size_t{1} << 31) {
    return zt_unpack(container, max_output).status().code();
}

Bytes pattern(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
    return b;
}

TEST(ZtContainer, PackThenUnpackGivesTheBytesBack) {
    for (size_t n : {1u, 100u, 65536u, 300000u}) {
        Bytes data = pattern(n);
        EXPECT_EQ(unpack(zt_pack(data)), data) << n;
    }
}

TEST(ZtContainer, AcceptsOutputUpToTwiceTheStoredLength) {
    Bytes data = pattern(1000);
    EXPECT_EQ(unpack(container(500, data)), data);
    EXPECT_EQ(refusal(container(499, data)), StatusCode::kTooLarge);
}

TEST(ZtContainer, StoredLengthsWhoseDoubleIsNotPositiveGiveNothing) {
    Bytes data = pattern(10);
    for (uint32_t stored : {0u, 0x40000000u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        EXPECT_EQ(refusal(container(stored, data)), StatusCode::kCorrupt) << std::hex << stored;
    }
    // 0x3FFFFFFF doubles to just under 2 GiB and is valid: the data unpacks
    // without that much memory ever being reserved.
    EXPECT_EQ(unpack(container(0x3FFFFFFF, data)), data);
}

TEST(ZtContainer, RejectsShortInputWrongMagicAndDamagedStreams) {
    Bytes good = container(5, pattern(5));
    EXPECT_EQ(refusal(Bytes(good.begin(), good.begin() + 7)), StatusCode::kNotRecognised);
    Bytes bad_magic = good;
    bad_magic[3] = 0x04;
    EXPECT_EQ(refusal(bad_magic), StatusCode::kNotRecognised);
    Bytes bad_check = good;
    bad_check.back() ^= 0x01;  // Adler-32 check value
    EXPECT_EQ(refusal(bad_check), StatusCode::kCorrupt);
    for (size_t cut = 8; cut < good.size(); ++cut) {
        EXPECT_EQ(refusal(Bytes(good.begin(), good.begin() + cut)), StatusCode::kCorrupt) << cut;
    }
    EXPECT_EQ(refusal(header(0x3FFFFFFF)), StatusCode::kCorrupt);  // a 20-byte liar
}

// A finished zlib stream of `pieces` fully flushed pieces, each inflating to
// `piece` zero bytes on its own (so they can be repeated), then an empty
// final block and the check value of the whole. 2,048 pieces of 1 MiB are
// 2 GiB of output from about 2 MB of input.
Bytes bomb(size_t pieces, size_t piece, uint32_t stored) {
    z_stream z{};
    EXPECT_EQ(deflateInit(&z, 9), Z_OK);
    Bytes zeros(piece), first(piece + 64), next(piece + 64);
    auto flush = [&](Bytes& out) {
        z.next_in = zeros.data();
        z.avail_in = static_cast<uInt>(zeros.size());
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        EXPECT_EQ(deflate(&z, Z_FULL_FLUSH), Z_OK);
        out.resize(out.size() - z.avail_out);
    };
    flush(first);  // carries the zlib header
    flush(next);   // the same piece again, without it
    deflateEnd(&z);
    Bytes out = header(stored);
    out.insert(out.end(), first.begin(), first.end());
    uLong check = adler32(adler32(0, nullptr, 0), zeros.data(), static_cast<uInt>(piece));
    uLong one = check;
    for (size_t i = 1; i < pieces; ++i) {
        out.insert(out.end(), next.begin(), next.end());
        check = adler32_combine(check, one, static_cast<z_off_t>(piece));
    }
    out.push_back(0x03);  // final fixed-Huffman block holding only its end code
    out.push_back(0x00);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(check >> shift));
    return out;
}

TEST(ZtContainer, OutputStopsAtTheCallersCap) {
    Bytes eight = bomb(8, size_t{1} << 20, 8u << 20);
    EXPECT_EQ(zt_unpack(eight, 8u << 20).value_or(Bytes()), Bytes(8u << 20));
    EXPECT_EQ(refusal(eight, (8u << 20) - 1), StatusCode::kTooLarge);

    // 2 MB that inflate to 2 GiB, with a stored length whose double allows
    // it: refused at the cap, after producing no more than the cap.
    Bytes big = bomb(2048, size_t{1} << 20, 0x3FFFFFFF);
    ASSERT_LT(big.size(), size_t{4} << 20);
    EXPECT_EQ(refusal(big, size_t{64} << 20), StatusCode::kTooLarge);
}

// A reader over `bytes` that gives at most `piece` bytes a call.
ZtReader reader_of(const Bytes& bytes, size_t piece) {
    auto at = std::make_shared<size_t>(0);
    return [&bytes, piece, at](uint8_t* data, size_t capacity) -> int64_t {
        const size_t n = std::min({piece, capacity, bytes.size() - *at});
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(*at), n, data);
        *at += n;
        return static_cast<int64_t>(n);
    };
}

// The streaming unpack of `container`, read `piece` bytes at a time: its
// outcome and what the writer received.
std::pair<ZtStreamResult, Bytes> stream(const Bytes& container, size_t piece,
                                        uint64_t max_output = uint64_t{1} << 31) {
    Bytes out;
    ZtStreamResult r = zt_unpack_stream(
        reader_of(container, piece),
        [&](const uint8_t* data, size_t size) {
            out.insert(out.end(), data, data + size);
            return true;
        },
        max_output);
    EXPECT_EQ(r.written, out.size());
    return {r, out};
}

TEST(ZtStream, NamesEachRefusal) {
    Bytes data = pattern(300000);
    Bytes good = zt_pack(data);
    // The log's text for each refusal, and its code.
    auto outcome = [](const Bytes& c) {
        const Status s = stream(c, 4096).first.status;
        return std::string(to_string(s.code())) + ": " + s.message();
    };
    EXPECT_EQ(stream(good, 4096).second, data);
    EXPECT_EQ(outcome(good), "ok: ");
    EXPECT_EQ(outcome(Bytes(good.begin(), good.begin() + 7)), "not recognised: not a container");
    Bytes bad_magic = good;
    bad_magic[0] ^= 0x80;
    EXPECT_EQ(outcome(bad_magic), "not recognised: not a container");
    for (uint32_t stored : {0u, 0x40000000u, 0xFFFFFFFFu})
        EXPECT_EQ(outcome(container(stored, data)), "corrupt: stored length out of range")
            << stored;
    EXPECT_EQ(outcome(container(149999, data)), "too large: inflates past its cap");
    Bytes bad_check = good;
    bad_check.back() ^= 0x01;
    EXPECT_EQ(outcome(bad_check), "corrupt: damaged stream");
    EXPECT_EQ(outcome(Bytes(good.begin(), good.end() - 1)), "corrupt: damaged stream");
    // Bytes after the end of the stream are ignored, as by the one-shot.
    Bytes trailing = good;
    trailing.insert(trailing.end(), {1, 2, 3});
    EXPECT_EQ(stream(trailing, 4096).second, data);
    EXPECT_EQ(zt_unpack(trailing, size_t{1} << 20).value_or(Bytes()), data);
}

// Both unpackers apply one set of rules: for every truncated prefix and
// every single changed byte of a container, read in pieces of any size, the
// stream gives exactly what the one-shot gives.
TEST(ZtStream, AgreesWithTheOneShotOnEveryPrefixAndEveryChangedByte) {
    const Bytes good = container(700, pattern(1400));
    std::vector<Bytes> inputs;
    for (size_t cut = 0; cut <= good.size(); ++cut)
        inputs.emplace_back(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
    for (size_t i = 0; i < good.size(); ++i) {
        Bytes changed = good;
        changed[i] ^= static_cast<uint8_t>(1u << (i % 8));
        inputs.push_back(changed);
    }
    for (const Bytes& in : inputs) {
        const Result<Bytes> once = zt_unpack(in, size_t{1} << 31);
        for (size_t piece : {size_t{1}, size_t{7}, size_t{65536}}) {
            auto [result, out] = stream(in, piece);
            // Which refusal can differ: input fed a byte at a time may pass
            // the cap before the damage after it is seen.
            ASSERT_EQ(result.status.ok(), once.ok()) << in.size() << " bytes, pieces of " << piece;
            if (once) {
                EXPECT_EQ(out, *once);
            }
        }
    }
}

TEST(ZtStream, ABombClaimingAGibibyteStopsAtTheCapWithinItsWindows) {
    // About 1 MB that inflates to 1 GiB of zeros, claiming 512 MiB (room for
    // 1 GiB): the writer sees no byte past the cap, and nothing is ever
    // held but the fixed windows.
    const Bytes big = bomb(1024, size_t{1} << 20, 0x20000000);
    const uint64_t cap = uint64_t{32} << 20;
    uint64_t seen = 0;
    size_t largest_write = 0;
    ZtStreamResult r = zt_unpack_stream(
        reader_of(big, kZtStreamChunkBytes),
        [&](const uint8_t*, size_t size) {
            seen += size;
            largest_write = std::max(largest_write, size);
            return true;
        },
        cap);
    EXPECT_EQ(r.status.code(), StatusCode::kTooLarge);
    EXPECT_EQ(r.written, seen);
    EXPECT_LE(seen, cap);
    EXPECT_GT(seen, cap - kZtStreamChunkBytes);
    EXPECT_LE(largest_write, kZtStreamChunkBytes);
}

TEST(ZtStream, ReaderAndWriterFailuresStopIt) {
    const Bytes good = zt_pack(pattern(300000));
    auto failing_after = [&](size_t calls) {
        auto reader = reader_of(good, 64);
        auto n = std::make_shared<size_t>(0);
        return ZtReader([reader, calls, n](uint8_t* data, size_t capacity) -> int64_t {
            return ++*n > calls ? -1 : reader(data, capacity);
        });
    };
    auto keep = [](const uint8_t*, size_t) { return true; };
    EXPECT_EQ(zt_unpack_stream(failing_after(0), keep, 1u << 20).status.code(),
              StatusCode::kReadFailed);
    EXPECT_EQ(zt_unpack_stream(failing_after(3), keep, 1u << 20).status.code(),
              StatusCode::kReadFailed);
    // A reader claiming more than it was given room for is a failed read.
    auto liar = [](uint8_t*, size_t capacity) { return static_cast<int64_t>(capacity) + 1; };
    EXPECT_EQ(zt_unpack_stream(liar, keep, 1u << 20).status.code(), StatusCode::kReadFailed);

    int writes = 0;
    ZtStreamResult r = zt_unpack_stream(
        reader_of(good, 4096), [&](const uint8_t*, size_t) { return ++writes < 2; }, 1u << 20);
    EXPECT_EQ(r.status.code(), StatusCode::kWriteFailed);
    EXPECT_EQ(writes, 2);
    EXPECT_EQ(r.written, kZtStreamChunkBytes);
}

}  // namespace
}  // namespace yq
