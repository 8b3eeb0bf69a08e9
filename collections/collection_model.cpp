#include "collections/collection_model.h"

#include "base/text.h"

namespace yq {

int progress_percent(int i, int n) {
    return n > 0 ? static_cast<int>(static_cast<double>(i) / n * 100) : 0;
}

std::string progress_caption(std::string_view prefix, int i, int n) {
    return std::string(prefix) + int_to_text(progress_percent(i, n)) + "%";
}

std::string count_caption(std::string_view prefix, int n) {
    return std::string(prefix) + int_to_text(n);
}

}  // namespace yq
