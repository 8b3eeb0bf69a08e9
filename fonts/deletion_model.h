// The rules of deleting installed fonts, as plain data: the names removed
// files take in the recycle bin, the check-box bands of the two grids, the
// "删除字体" item that carries a font between right clicks, and the batch's
// progress text.
//
//   delete_item_caption / face_from_delete_caption
//   system_grid_check_column   which check box a release at x toggles
//   search_grid_check_hit      whether a release at x toggles the result grid's
//   batch_progress_text        "卸载" + face + ".完成:" (or ".失败:") + percent + "%"
//   recycle_name_of_path       a removed file's name in the recycle bin
//   recycle_name_of_face       the name a delete from the result grid uses
#pragma once

#include <string>
#include <string_view>

namespace yq {

// "删除字体  (  " + face + "  )", and the face read back out of such a
// caption: bytes 14 to the length less 3 (empty when the caption is shorter
// than the two parts around the face).
std::string delete_item_caption(std::string_view face);
std::string face_from_delete_caption(std::string_view caption);

// On 系统字体表格 a release at x toggles column 2 when 332 < x < 350 and
// column 5 when 690 < x < 705: -1 elsewhere.
int system_grid_check_column(int x);
// On the search result grid, with the widths of its columns 0 to 2: w0 + w1 < x < w0 + w1 + w2.
bool search_grid_check_hit(int x, int w0, int w1, int w2);

// The batch uninstall's progress after the font of 0-based row r: the
// percentage r / N * factor truncated toward zero (0 when N is 0), so the
// last row shows less than 100. A font that could not be removed says so:
// ".失败:" in place of ".完成:".
std::string batch_progress_text(std::string_view face, int r, int n, int factor,
                                bool removed = true);

// A removed font file's name in the recycle bin: the part of its path after
// the last backslash, made a storable file name where it is not one
// (safe_file_stem). Empty when nothing usable is left.
std::string recycle_name_of_path(std::string_view path);
// The face name made a storable stem, + ".ttf"; empty when none is left.
std::string recycle_name_of_face(std::string_view face);

}  // namespace yq
