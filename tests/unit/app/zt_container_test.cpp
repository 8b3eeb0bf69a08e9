#include "app/zt_container.h"

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

Bytes pattern(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
    return b;
}

TEST(ZtContainer, PackThenUnpackGivesTheBytesBack) {
    for (size_t n : {1u, 100u, 65536u, 300000u}) {
        Bytes data = pattern(n);
        EXPECT_EQ(zt_unpack(zt_pack(data)), data) << n;
    }
}

TEST(ZtContainer, AcceptsOutputUpToTwiceTheStoredLength) {
    Bytes data = pattern(1000);
    EXPECT_EQ(zt_unpack(container(500, data)), data);
    EXPECT_TRUE(zt_unpack(container(499, data)).empty());
}

TEST(ZtContainer, StoredLengthsWhoseDoubleIsNotPositiveGiveNothing) {
    Bytes data = pattern(10);
    for (uint32_t stored : {0u, 0x40000000u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        EXPECT_TRUE(zt_unpack(container(stored, data)).empty()) << std::hex << stored;
    }
    // 0x3FFFFFFF doubles to just under 2 GiB and is valid: the data unpacks
    // without that much memory ever being reserved.
    EXPECT_EQ(zt_unpack(container(0x3FFFFFFF, data)), data);
}

TEST(ZtContainer, RejectsShortInputWrongMagicAndDamagedStreams) {
    Bytes good = container(5, pattern(5));
    EXPECT_TRUE(zt_unpack(Bytes(good.begin(), good.begin() + 7)).empty());
    Bytes bad_magic = good;
    bad_magic[3] = 0x04;
    EXPECT_TRUE(zt_unpack(bad_magic).empty());
    Bytes bad_check = good;
    bad_check.back() ^= 0x01;  // Adler-32 check value
    EXPECT_TRUE(zt_unpack(bad_check).empty());
    for (size_t cut = 8; cut < good.size(); ++cut) {
        EXPECT_TRUE(zt_unpack(Bytes(good.begin(), good.begin() + cut)).empty()) << cut;
    }
    EXPECT_TRUE(zt_unpack(header(0x3FFFFFFF)).empty());  // a 20-byte liar
}

}  // namespace
}  // namespace yq
