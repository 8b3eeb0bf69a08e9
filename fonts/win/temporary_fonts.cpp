#include "fonts/win/temporary_fonts.h"

#include <windows.h>

#include <algorithm>

#include "fonts/install_record.h"
#include "fonts/win/font_primitives.h"

namespace yq {
namespace {

auto same_path(const std::string& path) {
    return [&path](const std::string& other) { return same_name_ignoring_case(other, path); };
}

}  // namespace

bool TemporaryFonts::switch_on(const std::string& path) {
    if (is_on(path)) return true;
    // Not FR_PRIVATE: the point is that other programs (a design tool, an
    // office suite) can use the font too.
    if (AddFontResourceExA(path.c_str(), 0, nullptr) == 0) return false;
    on_.push_back(path);
    broadcast_font_change();
    return true;
}

bool TemporaryFonts::switch_off(const std::string& path) {
    const auto it = std::find_if(on_.begin(), on_.end(), same_path(path));
    if (it == on_.end()) return true;
    if (!RemoveFontResourceExA(path.c_str(), 0, nullptr)) return false;
    on_.erase(it);
    broadcast_font_change();
    return true;
}

bool TemporaryFonts::is_on(const std::string& path) const {
    return std::any_of(on_.begin(), on_.end(), same_path(path));
}

void TemporaryFonts::switch_all_off() {
    bool any = false;
    for (const std::string& path : on_)
        any = RemoveFontResourceExA(path.c_str(), 0, nullptr) || any;
    on_.clear();
    if (any) broadcast_font_change();
}

}  // namespace yq
