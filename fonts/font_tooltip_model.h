// The text of the tooltip a font sample cell shows: which file the font is,
// where it is installed, how much Chinese it covers, and whether it may be
// used commercially.
#pragma once

#include <string>
#include <string_view>

#include "fonts/inventory_model.h"
#include "platform/sfnt/licence.h"
#include "platform/sfnt/coverage.h"

namespace yq {

// Lines joined by "\r\n" (GBK):
//   文件: <file name>
//   路径: <path>
//   安装: 所有用户 | 当前用户
//   GB2312 汉字: <n> / 6763 (<p>%)
//   常用 3500 字: <n> / 3500 (<p>%)
//   授权: 可免费商用 | 商用需授权 | 授权未知
//   授权说明: <the licence text's first line>   (when it has one)
// The two counts become one line "汉字覆盖: 无法读取字符表" when the
// coverage could not be read.
std::string font_tooltip_text(std::string_view path, FontScope scope,
                              const sfnt::HanziCoverage& coverage, const LicenceSummary& licence);

// n of total as a percentage with one decimal, rounded down, so that only a
// whole set reads "100.0" and a single missing character never hides.
std::string coverage_percent(unsigned n, unsigned total);

}  // namespace yq
