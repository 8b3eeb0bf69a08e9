#include "catalogue/picture_cache.h"

#include <gtest/gtest.h>

namespace yq {
namespace {

// A "decoder" that makes a 1-pixel-high picture as wide as the file is long,
// whose first pixel carries the file's first byte, and counts its calls.
struct CountingDecoder {
    int calls = 0;
    Picture operator()(ByteSpan b) {
        ++calls;
        Picture p;
        p.width = static_cast<int>(b.size());
        p.height = 1;
        p.bgra.assign(b.size() * 4, 0);
        p.bgra[0] = b[0];
        return p;
    }
};

std::shared_ptr<const Bytes> file(size_t n, uint8_t first) {
    Bytes b(n, 0);
    b[0] = first;
    return std::make_shared<const Bytes>(std::move(b));
}

TEST(PictureCache, DecodesOnceAndNeverConfusesBytesThatCameLater) {
    PictureCache cache;
    CountingDecoder d;
    auto decode = [&](ByteSpan b) { return d(b); };
    auto one = file(100, 1);
    EXPECT_EQ(cache.get(one, decode)->bgra[0], 1);
    EXPECT_EQ(cache.get(one, decode)->bgra[0], 1);
    EXPECT_EQ(d.calls, 1);
    // The page moves on: its bytes are let go, and the next page's bytes of
    // the same size are allocated at once (where a freed block would be reused).
    one.reset();
    auto two = file(100, 2);
    EXPECT_EQ(cache.get(two, decode)->bgra[0], 2);
    EXPECT_EQ(d.calls, 2);
    EXPECT_EQ(cache.get(nullptr, decode), nullptr);
    EXPECT_EQ(cache.get(std::make_shared<const Bytes>(), decode), nullptr);
}

TEST(PictureCache, StaysWithinItsBytesDroppingTheLeastRecentlyUsed) {
    const size_t bound = 64 * 1024;
    PictureCache cache(bound);
    CountingDecoder d;
    auto decode = [&](ByteSpan b) { return d(b); };
    auto kept = file(1000, 7);
    std::shared_ptr<const Picture> held = cache.get(kept, decode);
    std::vector<std::shared_ptr<const Bytes>> pages;
    for (int i = 0; i < 100; ++i) {
        pages.push_back(file(1000, uint8_t(i)));
        cache.get(pages.back(), decode);
        cache.get(kept, decode);  // in use on every page: never the oldest
        EXPECT_LE(cache.bytes_held(), bound);
    }
    EXPECT_EQ(d.calls, 101);
    EXPECT_LT(cache.size(), 100u);
    cache.get(pages.front(), decode);  // long gone: decoded again
    EXPECT_EQ(d.calls, 102);
    EXPECT_EQ(held->bgra[0], 7);  // a picture handed out stays valid
    // One picture larger than the whole cache is drawn but not kept.
    auto huge = file(bound, 9);
    EXPECT_EQ(cache.get(huge, decode)->bgra[0], 9);
    EXPECT_LE(cache.bytes_held(), bound);
}

}  // namespace
}  // namespace yq
