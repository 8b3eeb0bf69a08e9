// Helpers shared by the server tests: temporary folders, installed fonts,
// PNG and BMP decoding, and a catalogue server on a thread.
#pragma once

#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/bytes.h"
#include "server/lib/catalogue_server.h"
#include "server/lib/text_image.h"

namespace yq::server::testing {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed at the end.
class TempDir {
  public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "yq-server-test-XXXXXX").string();
        path_ = mkdtemp(tmpl.data()) ? tmpl : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

inline void write_bytes(const std::string& path, const std::string& data) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary)
        .write(data.data(), static_cast<std::streamsize>(data.size()));
}

inline void write_bytes(const std::string& path, ByteSpan data) {
    write_bytes(path, std::string(data.begin(), data.end()));
}

inline std::string read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// An installed font file, or "" when the machine lacks it (tests then skip).
inline std::string installed_font(const std::string& relative) {
    for (const char* dir : {"/usr/share/fonts/truetype/", "/usr/share/fonts/opentype/"}) {
        std::string p = dir + relative;
        if (fs::exists(p)) return p;
    }
    return "";
}

#define YQ_REQUIRE_FONT(var, relative)                                       \
    const std::string var = ::yq::server::testing::installed_font(relative); \
    if (var.empty()) GTEST_SKIP() << "font " << relative << " is not installed here"

struct DecodedImage {
    int width = 0, height = 0;
    std::vector<uint8_t> grey;  // 0 black .. 255 white
};

// Decodes any PNG with libpng's simplified reader into 8-bit grey.
inline std::optional<DecodedImage> decode_png(const std::string& data) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) return std::nullopt;
    image.format = PNG_FORMAT_GRAY;
    DecodedImage out;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.grey.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.grey.data(), 0, nullptr)) {
        png_image_free(&image);
        return std::nullopt;
    }
    return out;
}

// Box around every pixel darker than white; empty (right < left) when none.
struct InkBox {
    int left = 0, top = 0, right = -1, bottom = -1;
    bool empty() const { return right < left; }
};

inline InkBox ink_box(const DecodedImage& img) {
    InkBox b{img.width, img.height, -1, -1};
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            if (img.grey[static_cast<size_t>(y) * img.width + x] < 255) {
                b.left = std::min(b.left, x);
                b.top = std::min(b.top, y);
                b.right = std::max(b.right, x);
                b.bottom = std::max(b.bottom, y);
            }
    return b;
}

// A catalogue server on 127.0.0.1 with an ephemeral port, serving on its own
// thread from construction until destruction.
class RunningServer {
  public:
    explicit RunningServer(ServeOptions options)
        : server_([&] {
              options.port = 0;
              options.log = nullptr;
              return options;
          }()) {
        error_ = server_.start();
        if (error_.empty()) thread_ = std::thread([this] { server_.run(); });
    }
    ~RunningServer() {
        server_.stop();
        if (thread_.joinable()) thread_.join();
    }
    const std::string& error() const { return error_; }
    int port() const { return server_.port(); }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port()) + path;
    }

  private:
    CatalogueServer server_;
    std::string error_;
    std::thread thread_;
};

}  // namespace yq::server::testing
