#include "base/sha256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace yq {
namespace {

TEST(Sha256, KnownDigestsWhateverTheChunks) {
    auto hex = [](const Sha256Digest& d) {
        std::string s;
        for (uint8_t b : d) s += "0123456789abcdef"[b >> 4], s += "0123456789abcdef"[b & 15];
        return s;
    };
    EXPECT_EQ(hex(sha256({})), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(hex(sha256(as_span(std::string("abc")))),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the first padding block.
    EXPECT_EQ(hex(sha256(as_span(
                  std::string("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")))),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    // A million 'a' fed in pieces of every awkward length.
    const std::string a(1000000, 'a');
    Sha256 h;
    size_t at = 0;
    for (size_t piece = 1; at < a.size(); piece = piece * 7 % 131 + 1) {
        size_t n = std::min(piece, a.size() - at);
        h.update(ByteSpan(reinterpret_cast<const uint8_t*>(a.data()) + at, n));
        at += n;
    }
    EXPECT_EQ(hex(h.finish()), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

}  // namespace
}  // namespace yq
