#include "catalogue/picture_cache.h"

namespace yq {

std::shared_ptr<const Picture> PictureCache::get(const std::shared_ptr<const Bytes>& bytes,
                                                 const Decoder& decode) {
    if (!bytes || bytes->empty()) return nullptr;
    auto it = index_.find(bytes.get());
    if (it != index_.end()) {
        order_.splice(order_.begin(), order_, it->second);
        return it->second->picture;
    }
    auto picture = std::make_shared<const Picture>(decode(*bytes));
    size_t cost = bytes->size() + picture->bgra.size() + sizeof(Entry);
    // One picture larger than the whole cache is drawn but not kept.
    if (cost > max_bytes_) return picture;
    while (held_ + cost > max_bytes_ && !order_.empty()) drop_oldest();
    order_.push_front(Entry{bytes, picture, cost});
    index_[bytes.get()] = order_.begin();
    held_ += cost;
    return picture;
}

void PictureCache::drop_oldest() {
    const Entry& last = order_.back();
    held_ -= last.cost;
    index_.erase(last.source.get());
    order_.pop_back();
}

}  // namespace yq
