#include "server/lib/face_pool.h"

#include <cstdint>

namespace yq::server {

FacePool::Lease::Lease(Lease&& other) noexcept
    : pool_(other.pool_),
      key_(std::move(other.key_)),
      face_(std::move(other.face_)),
      charged_(other.charged_) {
    other.pool_ = nullptr;
}

FacePool::Lease& FacePool::Lease::operator=(Lease&& other) noexcept {
    if (this != &other) {
        give_back();
        pool_ = other.pool_;
        key_ = std::move(other.key_);
        face_ = std::move(other.face_);
        charged_ = other.charged_;
        other.pool_ = nullptr;
    }
    return *this;
}

FacePool::Lease::~Lease() {
    give_back();
}

void FacePool::Lease::give_back() {
    if (pool_ && face_) pool_->give_back(key_, std::move(face_), charged_);
    pool_ = nullptr;
}

FacePool::FacePool(FontSource& source, size_t limit_bytes) : source_(source), limit_(limit_bytes) {}

FacePool::~FacePool() = default;

void FacePool::charge(size_t bytes) {
    held_ += bytes;
    peak_ = std::max(peak_, held_);
}

// Evicts what no request is using, least recently used first, until `bytes`
// more fit under the limit. `keep` (the font being asked for) is spared.
bool FacePool::make_room(size_t bytes, const Font* keep) {
    while (held_ + bytes > limit_) {
        auto victim = fonts_.end();
        for (auto it = fonts_.begin(); it != fonts_.end(); ++it) {
            const Font& f = it->second;
            if (&f == keep || f.loading) continue;
            const bool evictable = (f.in_use == 0 && f.file) || !f.idle.empty();
            if (evictable && (victim == fonts_.end() || f.last_used < victim->second.last_used))
                victim = it;
        }
        if (victim == fonts_.end()) return false;
        Font& f = victim->second;
        for (const IdleFace& idle : f.idle) held_ -= idle.bytes;
        f.idle.clear();
        if (f.in_use == 0) {
            held_ -= f.file->size();
            fonts_.erase(victim);
        }
    }
    return true;
}

FacePool::Lease FacePool::lend(const std::string& key, std::unique_ptr<FontFace> face,
                               size_t charged) {
    Lease lease;
    lease.pool_ = this;
    lease.key_ = key;
    lease.face_ = std::move(face);
    lease.charged_ = charged;
    return lease;
}

// Opens a new face of a loaded font; its working allowance is already charged.
FacePool::Checkout FacePool::open_face(std::unique_lock<std::mutex>& lock, const std::string& key,
                                       Font& font) {
    ++font.in_use;  // keeps the entry, and its file, while the lock is released
    std::shared_ptr<const Bytes> file = font.file;
    lock.unlock();
    std::unique_ptr<FontFace> face = FontFace::open(std::move(file), nullptr);
    lock.lock();
    if (face) return {lend(key, std::move(face), kFaceWorkingBytes)};
    Font& f = fonts_.at(key);
    --f.in_use;
    held_ -= kFaceWorkingBytes;
    returned_.notify_all();
    return {{}, Refusal::CannotDraw};
}

FacePool::Checkout FacePool::load_and_open(std::unique_lock<std::mutex>& lock,
                                           const std::string& key, Font& font) {
    const size_t reserved = font.loading_bytes + kFaceWorkingBytes;
    charge(reserved);
    font.loading = true;  // loading entries are never evicted
    lock.unlock();
    std::shared_ptr<const Bytes> file = source_.load_file(key);
    std::unique_ptr<FontFace> face = file ? FontFace::open(file, nullptr) : nullptr;
    lock.lock();
    Font& f = fonts_.at(key);
    f.loading = false;
    held_ -= reserved;
    returned_.notify_all();
    // A file larger than its source said would break the bound: refused.
    if (!face || file->size() > f.loading_bytes) {
        f.broken = true;
        return {{}, Refusal::CannotDraw};
    }
    f.file = std::move(file);
    charge(f.file->size() + kFaceWorkingBytes);
    ++f.in_use;
    return {lend(key, std::move(face), kFaceWorkingBytes)};
}

FacePool::Checkout FacePool::checkout(const std::string& key, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        // Looked up afresh each time round: the entry may have been evicted
        // while this thread waited.
        Font& font = fonts_[key];
        font.last_used = ++tick_;
        if (font.broken) return {{}, Refusal::CannotDraw};
        if (font.file) {
            // An idle face is charged its working allowance from here on, in
            // place of what it measured when it came back.
            const size_t idle_bytes = font.idle.empty() ? 0 : font.idle.back().bytes;
            held_ -= idle_bytes;
            if (make_room(kFaceWorkingBytes, &font)) {
                charge(kFaceWorkingBytes);
                if (font.idle.empty()) return open_face(lock, key, font);
                std::unique_ptr<FontFace> face = std::move(font.idle.back().face);
                font.idle.pop_back();
                ++font.in_use;
                return {lend(key, std::move(face), kFaceWorkingBytes)};
            }
            held_ += idle_bytes;
        } else if (!font.loading) {
            if (font.loading_bytes == 0) {
                lock.unlock();
                const size_t bytes = source_.loading_bytes(key);
                lock.lock();
                Font& f = fonts_[key];
                if (bytes == 0) {
                    if (!f.file && !f.loading && f.in_use == 0) fonts_.erase(key);
                    return {{}, Refusal::NoFile};
                }
                f.loading_bytes = bytes;
                if (bytes > limit_ || limit_ - bytes < kFaceWorkingBytes) f.broken = true;
                continue;
            }
            if (make_room(font.loading_bytes + kFaceWorkingBytes, &font))
                return load_and_open(lock, key, font);
        }
        // Another request is loading this font, or everything that could
        // make room is in use: wait for a face to come back.
        if (returned_.wait_until(lock, deadline) == std::cv_status::timeout &&
            std::chrono::steady_clock::now() >= deadline)
            return {{}, Refusal::Busy};
    }
}

void FacePool::give_back(const std::string& key, std::unique_ptr<FontFace> face, size_t charged) {
    std::lock_guard<std::mutex> lock(mutex_);
    Font& font = fonts_.at(key);
    --font.in_use;
    held_ -= charged;
    font.last_used = ++tick_;
    if (font.idle.size() < kIdleFacesPerFont) {
        const size_t bytes = face->memory_bytes();
        if (make_room(bytes, &font)) {
            charge(bytes);
            font.idle.push_back({std::move(face), bytes});
        }
    }
    face.reset();  // closed here unless kept
    returned_.notify_all();
}

FacePool::Stats FacePool::stats() const {
    std::lock_guard<std::mutex> lock(mutex_);
    Stats s;
    s.held_bytes = held_;
    s.peak_bytes = peak_;
    for (const auto& [key, f] : fonts_) {
        if (f.file) ++s.fonts;
        s.idle_faces += f.idle.size();
        s.faces_in_use += f.in_use;
    }
    return s;
}

}  // namespace yq::server
