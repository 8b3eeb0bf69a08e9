#include "fonts/search_model.h"

#include "base/text.h"
#include "fonts/pinyin.h"

namespace yq {
namespace {

bool is_ascii_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Two or more ASCII letters and nothing else: a query that may be initials.
bool is_initials_query(std::string_view q) {
    if (q.size() < 2) return false;
    for (char c : q)
        if (!is_ascii_letter(c)) return false;
    return true;
}

}  // namespace

std::string pinyin_initials(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); i += gbk_char_size(text, i)) {
        if (gbk_char_size(text, i) != 2) continue;
        char initial = pinyin_initial(static_cast<unsigned char>(text[i]),
                                      static_cast<unsigned char>(text[i + 1]));
        if (initial) out += lower(initial);
    }
    return out;
}

std::vector<int> search_faces(const FontInventory& inventory, std::string_view query,
                              bool case_sensitive) {
    std::vector<int> found;
    if (query.empty()) return found;
    std::vector<bool> taken(static_cast<size_t>(inventory.count()) + 1, false);
    for (int j = 1; j <= inventory.count(); ++j) {
        if (gbk_find(inventory.face_name(j), query, 0, !case_sensitive)) {
            found.push_back(j);
            taken[j] = true;
        }
    }
    if (!is_initials_query(query)) return found;
    std::string initials_query;
    for (char c : query) initials_query += lower(c);
    for (int j = 1; j <= inventory.count(); ++j) {
        if (taken[j]) continue;
        if (pinyin_initials(inventory.face_name(j)).starts_with(initials_query)) found.push_back(j);
    }
    return found;
}

SearchColumns search_column_widths(int grid_width, int results) {
    SearchColumns c;
    c.sample = static_cast<int>(grid_width / 3.0 * 2);
    c.name = static_cast<int>(grid_width / 3.0 - (results < 19 ? 52 : 70));
    return c;
}

}  // namespace yq
