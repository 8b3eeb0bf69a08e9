// Decoded catalogue row pictures, kept so that the ring redraw every 50 ms
// and a page shown again do not decode them again.
//
// Entries are keyed by the picture bytes' own lifetime: the cache holds on
// to the bytes of every entry, so while an entry exists no other bytes can
// take its address, and a row never shows another font's picture. The cache
// is bounded in bytes (the source bytes and the pixels of every entry);
// the least recently used entries go first. UI thread only.
#pragma once

#include <cstddef>
#include <functional>
#include <list>
#include <map>
#include <memory>

#include "base/bytes.h"
#include "catalogue/picture.h"

namespace yq {

// Room for a page of the largest pictures and their files, and many pages of
// real ones (a few tens of kilobytes each).
inline constexpr size_t kPictureCacheBytes = size_t{24} << 20;

class PictureCache {
  public:
    using Decoder = std::function<Picture(ByteSpan)>;

    explicit PictureCache(size_t max_bytes = kPictureCacheBytes) : max_bytes_(max_bytes) {}

    // The picture of `bytes`, decoded with `decode` unless cached. Null for
    // null or empty bytes. An undecodable picture is cached as an empty one.
    // The result stays valid after the entry has been dropped.
    std::shared_ptr<const Picture> get(const std::shared_ptr<const Bytes>& bytes,
                                       const Decoder& decode);

    size_t bytes_held() const { return held_; }
    size_t size() const { return index_.size(); }

  private:
    struct Entry {
        std::shared_ptr<const Bytes> source;
        std::shared_ptr<const Picture> picture;
        size_t cost;
    };
    void drop_oldest();

    size_t max_bytes_;
    size_t held_ = 0;
    std::list<Entry> order_;  // most recently used first
    std::map<const Bytes*, std::list<Entry>::iterator> index_;
};

}  // namespace yq
