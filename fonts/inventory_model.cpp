#include "fonts/inventory_model.h"

#include <algorithm>
#include <numeric>

#include "base/text.h"
#include "fonts/pinyin.h"

namespace yq {
namespace {

const std::string kNoText;

// "系统字体数:" in GBK, spelled as bytes so every compiler gives the same.
const char kFontCountLabel[] = "\xCF\xB5\xCD\xB3\xD7\xD6\xCC\xE5\xCA\xFD:";

bool in(unsigned char b, unsigned char lo, unsigned char hi) {
    return b >= lo && b <= hi;
}

// Digits read by the initial of their Chinese name: 0 ling (read as S here),
// 1 yi, 2 er, 3 san, 4 si, 5 wu, 6 liu, 7 qi, 8 ba, 9 jiu.
constexpr char kDigitLetters[] = "SYESSWLQBJ";

uint8_t letter_key(char c) {
    if (c >= '0' && c <= '9') c = kDigitLetters[c - '0'];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c) : 0;
}

// Newer first; an unreadable date is older than any date.
bool newer(const FontDate& a, const FontDate& b) {
    return a && (!b || *a > *b);
}

}  // namespace

bool FontInventory::append(std::string face_name, std::string file_path, std::string value_name,
                           FontScope scope) {
    if (face_name.empty() || index_.count(face_name)) return false;
    index_.emplace(face_name, count());
    faces_.push_back(std::move(face_name));
    paths_.push_back(std::move(file_path));
    values_.push_back(std::move(value_name));
    scopes_.push_back(scope);
    return true;
}

void FontInventory::clear() {
    faces_.clear();
    paths_.clear();
    values_.clear();
    scopes_.clear();
    index_.clear();
}

int FontInventory::find(std::string_view face_name) const {
    auto it = index_.find(std::string(face_name));
    return it == index_.end() ? 0 : it->second + 1;
}

const std::string& FontInventory::face_name(int position) const {
    return position >= 1 && position <= count() ? faces_[position - 1] : kNoText;
}
const std::string& FontInventory::file_path(int position) const {
    return position >= 1 && position <= count() ? paths_[position - 1] : kNoText;
}
const std::string& FontInventory::value_name(int position) const {
    return position >= 1 && position <= count() ? values_[position - 1] : kNoText;
}
FontScope FontInventory::scope(int position) const {
    return position >= 1 && position <= count() ? scopes_[position - 1] : FontScope::Machine;
}

bool FontInventory::permute(const std::vector<int>& order) {
    if (order.size() != faces_.size()) return false;
    std::vector<bool> seen(order.size());
    for (int i : order) {
        if (i < 0 || i >= count() || seen[i]) return false;
        seen[i] = true;
    }
    std::vector<std::string> faces, paths, values;
    std::vector<FontScope> scopes;
    faces.reserve(order.size());
    paths.reserve(order.size());
    values.reserve(order.size());
    scopes.reserve(order.size());
    for (int i : order) {
        faces.push_back(std::move(faces_[i]));
        paths.push_back(std::move(paths_[i]));
        values.push_back(std::move(values_[i]));
        scopes.push_back(scopes_[i]);
    }
    faces_ = std::move(faces);
    paths_ = std::move(paths);
    values_ = std::move(values);
    scopes_ = std::move(scopes);
    for (int i = 0; i < count(); ++i) index_[faces_[i]] = i;
    return true;
}

bool starts_with_chinese(std::string_view text) {
    if (text.size() < 2) return false;
    unsigned char b1 = static_cast<unsigned char>(text[0]);
    unsigned char b2 = static_cast<unsigned char>(text[1]);
    return (in(b1, 0x81, 0xA0) && in(b2, 0x40, 0xFE)) ||
           (in(b1, 0xAA, 0xFE) && in(b2, 0x40, 0xA0)) || (in(b1, 0xB0, 0xF7) && in(b2, 0xA1, 0xFE));
}

uint8_t initial_key(std::string_view face_name) {
    if (face_name.empty()) return 0;
    unsigned char first = static_cast<unsigned char>(face_name[0]);
    if (first == '@') return kVerticalFaceKey;
    if (first < 0x80) return letter_key(static_cast<char>(first));
    unsigned char second = face_name.size() > 1 ? static_cast<unsigned char>(face_name[1]) : 0;
    return letter_key(pinyin_initial(first, second));
}

std::vector<int> order_for_listing(FontInventory& inventory, ListingOrder order,
                                   const std::vector<FontDate>& dates) {
    const int n = inventory.count();
    std::vector<int> placement;
    placement.reserve(n);
    if (order == ListingOrder::ChineseFirst) {
        for (int p = 1; p <= n; ++p) {
            if (starts_with_chinese(inventory.face_name(p))) placement.push_back(p);
        }
        for (int p = 1; p <= n; ++p) {
            const std::string& face = inventory.face_name(p);
            if (!starts_with_chinese(face) && face[0] != '@') placement.push_back(p);
        }
        return placement;
    }

    std::vector<int> sorted(n);
    std::iota(sorted.begin(), sorted.end(), 0);
    if (order == ListingOrder::InitialLetter) {
        std::vector<uint8_t> keys(n);
        for (int i = 0; i < n; ++i) keys[i] = initial_key(inventory.face_name(i + 1));
        std::stable_sort(sorted.begin(), sorted.end(),
                         [&](int a, int b) { return keys[a] < keys[b]; });
        inventory.permute(sorted);
        for (int p = 1; p <= n; ++p) {
            if (keys[sorted[p - 1]] != kVerticalFaceKey) placement.push_back(p);
        }
        return placement;
    }

    auto date = [&](int i) { return i < static_cast<int>(dates.size()) ? dates[i] : FontDate(); };
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&](int a, int b) { return newer(date(a), date(b)); });
    inventory.permute(sorted);
    for (int p = 1; p <= n; ++p) placement.push_back(p);
    return placement;
}

SystemFontGridLayout lay_out_system_font_grid(const FontInventory& inventory,
                                              const std::vector<int>& placement) {
    SystemFontGridLayout layout;
    layout.placed = static_cast<int>(placement.size());
    if (layout.placed == 0) {
        layout.slots.push_back(GridSlot{});
        return layout;
    }
    layout.row_count = (layout.placed + 1) / 2;
    layout.slots.reserve(placement.size() + 1);
    for (int k = 0; k < layout.placed; ++k) {
        int p = placement[k];
        layout.slots.push_back(GridSlot{k / 2, k % 2, p, inventory.face_name(p)});
    }
    if (layout.placed % 2 == 1) layout.slots.push_back(GridSlot{layout.placed / 2, 1, 0, {}});
    layout.label = kFontCountLabel + int_to_text(layout.placed);
    return layout;
}

}  // namespace yq
