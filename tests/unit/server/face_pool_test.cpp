// The shared face pool: memory for files and faces stays under one limit
// whatever many threads ask for, a checked-out face is never taken away, and
// fonts that cannot be drawn are refused.
#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <thread>

#include "server/lib/face_pool.h"
#include "test_support.h"

namespace yq::server {
namespace {

// Font files made in memory from one real font: key "k<N>" is the font
// followed by N × 16 KiB of zeros (FreeType reads tables by offset, so the
// tail is ignored). Tracks how many bytes of its files are still alive,
// through the files' deleters, independently of the pool's own count.
class CountingSource : public FontSource {
  public:
    explicit CountingSource(Bytes font) : font_(std::move(font)) {}

    size_t loading_bytes(const std::string& key) override {
        if (key == "missing") return 0;
        if (key == "huge") return SIZE_MAX;
        if (key == "garbage") return 1000;
        return font_.size() + padding(key);
    }

    std::shared_ptr<const Bytes> load_file(const std::string& key) override {
        Bytes b = key == "garbage" ? Bytes(1000, 0x41) : font_;
        if (key != "garbage") b.resize(font_.size() + padding(key), 0);
        const size_t n = b.size();
        std::lock_guard<std::mutex> lock(mutex_);
        ++loads_[key];
        ++alive_[key];
        live_ += n;
        peak_live_ = std::max(peak_live_, live_);
        return std::shared_ptr<const Bytes>(new Bytes(std::move(b)),
                                            [this, key, n](const Bytes* p) {
                                                delete p;
                                                std::lock_guard<std::mutex> lock(mutex_);
                                                --alive_[key];
                                                live_ -= n;
                                            });
    }

    int loads(const std::string& key) {
        std::lock_guard<std::mutex> lock(mutex_);
        return loads_[key];
    }
    bool alive(const std::string& key) {
        std::lock_guard<std::mutex> lock(mutex_);
        return alive_[key] > 0;
    }
    size_t peak_live() {
        std::lock_guard<std::mutex> lock(mutex_);
        return peak_live_;
    }
    size_t font_size() const { return font_.size(); }

  private:
    static size_t padding(const std::string& key) {
        return static_cast<size_t>(std::atoi(key.c_str() + 1)) * (size_t{16} << 10);
    }

    Bytes font_;
    std::mutex mutex_;
    std::map<std::string, int> loads_, alive_;
    size_t live_ = 0, peak_live_ = 0;
};

Bytes file_bytes(const std::string& path) {
    std::string s = testing::read_bytes(path);
    return Bytes(s.begin(), s.end());
}

bool draws_ink(FontFace& face) {
    GreyImage img = face.draw_line(U"Ag", 20, 2);
    for (uint8_t v : img.ink)
        if (v) return true;
    return false;
}

TEST(FacePool, ManyFontsFromManyThreadsStayUnderTheLimit) {
    YQ_REQUIRE_FONT(path, "dejavu/DejaVuSansMono.ttf");
    CountingSource source(file_bytes(path));
    // Room for six faces at work and a few of the 40 files (0.35 to 1 MB
    // each); 16 threads drawing at once want more, so some wait their turn.
    const size_t limit = 6 * kFaceWorkingBytes + 6 * source.font_size();
    FacePool pool(source, limit);
    std::atomic<int> drawn{0}, refused{0}, blank{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 16; ++t) {
        threads.emplace_back([&, t] {
            uint32_t x = 2654435761u * (t + 1);
            for (int i = 0; i < 20; ++i) {
                x = x * 1103515245u + 12345u;
                FacePool::Checkout out = pool.checkout("k" + std::to_string((x >> 16) % 40));
                if (!out.lease) {
                    ++refused;
                    continue;
                }
                if (!draws_ink(out.lease.face())) ++blank;
                ++drawn;
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(drawn, 16 * 20);
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(blank, 0);
    FacePool::Stats s = pool.stats();
    EXPECT_LE(s.peak_bytes, limit);
    EXPECT_LE(source.peak_live(), limit);  // the files really freed, not just uncounted
    EXPECT_GT(source.peak_live(), 2 * source.font_size());  // fonts were kept, not thrown away
    EXPECT_EQ(s.faces_in_use, 0u);
    EXPECT_LE(s.held_bytes, limit);
}

TEST(FacePool, AFaceInUseIsNeverEvictedAndIdleFacesAreFew) {
    YQ_REQUIRE_FONT(path, "dejavu/DejaVuSansMono.ttf");
    CountingSource source(file_bytes(path));
    {
        // Room for one file and its face, not two.
        FacePool pool(source, source.font_size() * 3 / 2 + kFaceWorkingBytes);
        FacePool::Checkout a = pool.checkout("k0");
        ASSERT_TRUE(a.lease);
        FacePool::Checkout b = pool.checkout("k1", std::chrono::milliseconds(200));
        EXPECT_EQ(b.refusal, FacePool::Refusal::Busy);
        EXPECT_TRUE(draws_ink(a.lease.face()));
        EXPECT_TRUE(source.alive("k0"));
        a.lease = {};  // given back: now k0 may make way for k1
        b = pool.checkout("k1", std::chrono::milliseconds(200));
        ASSERT_TRUE(b.lease);
        EXPECT_TRUE(draws_ink(b.lease.face()));
        EXPECT_FALSE(source.alive("k0"));
    }
    {
        FacePool pool(source);
        std::vector<FacePool::Lease> leases;
        for (size_t i = 0; i < kIdleFacesPerFont + 2; ++i) {
            leases.push_back(pool.checkout("k2").lease);
            ASSERT_TRUE(leases.back());
            for (size_t j = 0; j < i; ++j) EXPECT_NE(&leases[j].face(), &leases[i].face());
        }
        EXPECT_EQ(pool.stats().faces_in_use, kIdleFacesPerFont + 2);
        leases.clear();
        EXPECT_EQ(pool.stats().idle_faces, kIdleFacesPerFont);
        FacePool::Checkout again = pool.checkout("k2");
        ASSERT_TRUE(again.lease);
        EXPECT_EQ(pool.stats().idle_faces, kIdleFacesPerFont - 1);
        EXPECT_EQ(source.loads("k2"), 1);  // one file, read once, shared by every face
    }
}

TEST(FacePool, RefusesFontsItCannotDraw) {
    YQ_REQUIRE_FONT(path, "dejavu/DejaVuSansMono.ttf");
    CountingSource source(file_bytes(path));
    FacePool pool(source);
    EXPECT_EQ(pool.checkout("missing").refusal, FacePool::Refusal::NoFile);
    EXPECT_EQ(pool.checkout("huge").refusal, FacePool::Refusal::CannotDraw);
    EXPECT_EQ(source.loads("huge"), 0);  // refused before anything is read
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(pool.checkout("garbage").refusal, FacePool::Refusal::CannotDraw);
    EXPECT_EQ(source.loads("garbage"), 1);  // remembered, not read again
    EXPECT_FALSE(source.alive("garbage"));
    EXPECT_EQ(pool.stats().held_bytes, 0u);
}

}  // namespace
}  // namespace yq::server
