#include "platform/zt/zt_container.h"

#include <gtest/gtest.h>
#include <zlib.h>

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

// Unpacks with room for anything these tests make.
Bytes unpack(const Bytes& container) {
    return zt_unpack(container, size_t{1} << 31);
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
    EXPECT_TRUE(unpack(container(499, data)).empty());
}

TEST(ZtContainer, StoredLengthsWhoseDoubleIsNotPositiveGiveNothing) {
    Bytes data = pattern(10);
    for (uint32_t stored : {0u, 0x40000000u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        EXPECT_TRUE(unpack(container(stored, data)).empty()) << std::hex << stored;
    }
    // 0x3FFFFFFF doubles to just under 2 GiB and is valid: the data unpacks
    // without that much memory ever being reserved.
    EXPECT_EQ(unpack(container(0x3FFFFFFF, data)), data);
}

TEST(ZtContainer, RejectsShortInputWrongMagicAndDamagedStreams) {
    Bytes good = container(5, pattern(5));
    EXPECT_TRUE(unpack(Bytes(good.begin(), good.begin() + 7)).empty());
    Bytes bad_magic = good;
    bad_magic[3] = 0x04;
    EXPECT_TRUE(unpack(bad_magic).empty());
    Bytes bad_check = good;
    bad_check.back() ^= 0x01;  // Adler-32 check value
    EXPECT_TRUE(unpack(bad_check).empty());
    for (size_t cut = 8; cut < good.size(); ++cut) {
        EXPECT_TRUE(unpack(Bytes(good.begin(), good.begin() + cut)).empty()) << cut;
    }
    EXPECT_TRUE(unpack(header(0x3FFFFFFF)).empty());  // a 20-byte liar
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
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(check >> shift));
    return out;
}

TEST(ZtContainer, OutputStopsAtTheCallersCap) {
    Bytes eight = bomb(8, size_t{1} << 20, 8u << 20);
    EXPECT_EQ(zt_unpack(eight, 8u << 20), Bytes(8u << 20));
    EXPECT_TRUE(zt_unpack(eight, (8u << 20) - 1).empty());

    // 2 MB that inflate to 2 GiB, with a stored length whose double allows
    // it: refused at the cap, after producing no more than the cap.
    Bytes big = bomb(2048, size_t{1} << 20, 0x3FFFFFFF);
    ASSERT_LT(big.size(), size_t{4} << 20);
    EXPECT_TRUE(zt_unpack(big, size_t{64} << 20).empty());
}

}  // namespace
}  // namespace yq
