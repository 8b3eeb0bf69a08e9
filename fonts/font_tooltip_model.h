// The text of the tooltip a font sample cell shows: which file the font is,
// where it is installed, and how much Chinese it covers.
#pragma once

#include <string>
#include <string_view>

#include "fonts/inventory_model.h"
#include "platform/sfnt/coverage.h"

namespace yq {

// Lines joined by "\r\n" (GBK):
//   文件: <file name>
//   路径: <path>
//   安装: 所有用户 | 当前用户
//   GB2312 汉字: <n> / 6763 (<p>%)
//   常用 3500 字: <n> / 3500 (<p>%)
// The two counts become one line "汉字覆盖: 无法读取字符表" when the
// coverage could not be read.
std::string font_tooltip_text(std::string_view path, FontScope scope,
                              const sfnt::HanziCoverage& coverage);

// n of total as a percentage with one decimal, rounded down, so that only a
// whole set reads "100.0" and a single missing character never hides.
std::string coverage_percent(unsigned n, unsigned total);

}  // namespace yq
