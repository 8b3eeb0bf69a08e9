#include "fonts/deletion_model.h"

#include "base/file_names.h"
#include "base/text.h"

namespace yq {
namespace {

// GBK bytes spelt out: the fuzz build's compiler keeps literals in UTF-8.
constexpr std::string_view kDeletePrefix = "\xC9\xBE\xB3\xFD\xD7\xD6\xCC\xE5  (  ";  // 删除字体
constexpr std::string_view kUninstalling = "\xD0\xB6\xD4\xD8";                       // 卸载
constexpr std::string_view kDone = ".\xCD\xEA\xB3\xC9:";                             // .完成:
constexpr std::string_view kFailed = ".\xCA\xA7\xB0\xDC:";                           // .失败:
constexpr std::string_view kDeleteSuffix = "  )";

}  // namespace

std::string delete_item_caption(std::string_view face) {
    return std::string(kDeletePrefix) + std::string(face) + std::string(kDeleteSuffix);
}

std::string face_from_delete_caption(std::string_view caption) {
    if (caption.size() < kDeletePrefix.size() + kDeleteSuffix.size()) return {};
    return std::string(caption.substr(
        kDeletePrefix.size(), caption.size() - kDeletePrefix.size() - kDeleteSuffix.size()));
}

int system_grid_check_column(int x) {
    if (332 < x && x < 350) return 2;
    if (690 < x && x < 705) return 5;
    return -1;
}

bool search_grid_check_hit(int x, int w0, int w1, int w2) {
    return w0 + w1 < x && x < w0 + w1 + w2;
}

std::string batch_progress_text(std::string_view face, int r, int n, int factor, bool removed) {
    int percent = n > 0 ? static_cast<int>(static_cast<double>(r) / n * factor) : 0;
    return std::string(kUninstalling) + std::string(face) + std::string(removed ? kDone : kFailed) +
           int_to_text(percent) + "%";
}

std::string recycle_name_of_path(std::string_view path) {
    std::string_view name = file_name_of(path);
    return is_storable_file_name(name) ? std::string(name) : safe_file_stem(name, 0);
}

std::string recycle_name_of_face(std::string_view face) {
    std::string stem = safe_file_stem(face, 4);
    return stem.empty() ? std::string() : stem + ".ttf";
}

}  // namespace yq
