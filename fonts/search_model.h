// The search of the system font page, as plain data: which installed faces
// match a query, and the widths of the result grid's columns.
//
//   search_faces          positions of the matching faces, in inventory order
//   pinyin_initials       the pinyin initials of a face's Chinese characters
//   search_column_widths  columns 0 and 1 of the search result grid for a result count
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fonts/inventory_model.h"

namespace yq {

// Positions (from 1) of the faces matching `query`, each once:
//  - first every face holding the query as a GBK substring that starts on a
//    character boundary, ASCII letters compared without case unless
//    `case_sensitive`, in inventory order;
//  - then, for a query of two or more ASCII letters only, every other face
//    whose Chinese characters' pinyin initials begin with it ("ht" finds
//    黑体, "hwht" 华文黑体), again in inventory order. Pinyin initials never
//    mind case.
// An empty query matches nothing.
std::vector<int> search_faces(const FontInventory& inventory, std::string_view query,
                              bool case_sensitive);

// Lower-case initials of the GB2312 hanzi of a text, in order; other
// characters are left out ("方正黑体_GBK" gives "fzht").
std::string pinyin_initials(std::string_view text);

// The result grid's first two columns for `results` results on a grid
// `grid_width` wide: two thirds, and a third less 52 (less 70 from 19
// results on, where the scroll bar appears), truncated.
struct SearchColumns {
    int sample, name;
};
SearchColumns search_column_widths(int grid_width, int results);

}  // namespace yq
