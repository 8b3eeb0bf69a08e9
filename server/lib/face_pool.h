// The font files and opened faces /text.php draws with, shared by every
// worker thread and bounded together by one limit. A request checks a face
// out, draws, and gives it back; a FreeType face is never used by two
// requests at once. Fonts nobody is drawing with are evicted least recently
// used first when room is needed; a face that is checked out, and the file it
// reads, are never evicted.
#pragma once

#include <condition_variable>  // also std::chrono: <chrono> does not compile with a GBK charset
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "server/lib/text_image.h"

namespace yq::server {

// All preview fonts together: unpacked files, files being unpacked (their
// packed bytes too), and FreeType's memory for every opened face.
inline constexpr size_t kMaxPreviewMemoryBytes = size_t{512} << 20;
// Faces of one font kept open between requests; more are closed on return.
inline constexpr size_t kIdleFacesPerFont = 2;
// Set aside for a face while it is checked out: FreeType's memory for one
// face stays well under this while it draws a line (about 10 KB open, up to
// a few hundred KB once hinting has run).
inline constexpr size_t kFaceWorkingBytes = size_t{1} << 20;
// How long a request waits for memory held by other requests to come back.
inline constexpr std::chrono::milliseconds kFaceWait{5000};

// Where the pool gets font files, by key.
class FontSource {
  public:
    virtual ~FontSource() = default;
    // Bytes the file for `key` needs while it is read and unpacked (packed and
    // unpacked together); 0 when there is no such file, SIZE_MAX when it is
    // too large to draw with.
    virtual size_t loading_bytes(const std::string& key) = 0;
    // The unpacked file; nullptr when it cannot be read, is damaged, or is
    // larger than the caller will draw with.
    virtual std::shared_ptr<const Bytes> load_file(const std::string& key) = 0;
};

class FacePool {
  public:
    enum class Refusal {
        None,
        NoFile,      // the source has no file for the key
        CannotDraw,  // too large, damaged, or not a font FreeType can open
        Busy,        // no room came free within the wait
    };

    // A checked-out face; given back to its pool when destroyed.
    class Lease {
      public:
        Lease() = default;
        Lease(Lease&& other) noexcept;
        Lease& operator=(Lease&& other) noexcept;
        ~Lease();
        explicit operator bool() const { return face_ != nullptr; }
        FontFace& face() const { return *face_; }

      private:
        friend class FacePool;
        void give_back();
        FacePool* pool_ = nullptr;
        std::string key_;
        std::unique_ptr<FontFace> face_;
        size_t charged_ = 0;
    };

    struct Checkout {
        Lease lease;
        Refusal refusal = Refusal::None;
    };

    struct Stats {
        size_t held_bytes = 0;  // what the limit is checked against now
        size_t peak_bytes = 0;  // the most held at any moment
        size_t fonts = 0;       // files in memory
        size_t idle_faces = 0;
        size_t faces_in_use = 0;
    };

    // `source` must outlive the pool; every Lease must be gone before it is.
    explicit FacePool(FontSource& source, size_t limit_bytes = kMaxPreviewMemoryBytes);
    ~FacePool();
    FacePool(const FacePool&) = delete;
    FacePool& operator=(const FacePool&) = delete;

    // A face of the font `key`, opened or reused, for this caller alone.
    // Waits up to `wait` for room when everything that could be evicted is
    // in use. Thread-safe.
    Checkout checkout(const std::string& key, std::chrono::milliseconds wait = kFaceWait);

    Stats stats() const;

  private:
    struct IdleFace {
        std::unique_ptr<FontFace> face;
        size_t bytes = 0;
    };
    struct Font {
        std::shared_ptr<const Bytes> file;  // null until loaded
        size_t loading_bytes = 0;           // asked of the source once
        bool loading = false;
        bool broken = false;  // cannot be drawn with; holds nothing
        size_t in_use = 0;
        std::vector<IdleFace> idle;
        uint64_t last_used = 0;
    };

    bool make_room(size_t bytes, const Font* keep);
    void charge(size_t bytes);
    Checkout open_face(std::unique_lock<std::mutex>& lock, const std::string& key, Font& font);
    Checkout load_and_open(std::unique_lock<std::mutex>& lock, const std::string& key, Font& font);
    Lease lend(const std::string& key, std::unique_ptr<FontFace> face, size_t charged);
    void give_back(const std::string& key, std::unique_ptr<FontFace> face, size_t charged);

    FontSource& source_;
    const size_t limit_;
    mutable std::mutex mutex_;
    std::condition_variable returned_;
    std::map<std::string, Font> fonts_;
    size_t held_ = 0;
    size_t peak_ = 0;
    uint64_t tick_ = 0;
};

}  // namespace yq::server
