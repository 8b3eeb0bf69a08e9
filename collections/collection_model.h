// The font collections kept in the program's own folders (the downloaded
// fonts, the recycle bin, the backups), as plain data: the captions their
// pages show while they work and when they are listed.
//
//   progress_percent   trunc(i / n * 100) in double precision
//   progress_caption   prefix + percent + "%"
//   count_caption      prefix + count
#pragma once

#include <string>
#include <string_view>

namespace yq {

// The percentage shown at item i of n (from 1): i / n * 100 computed in
// double precision and truncated toward zero, so 1 of 200 shows 0 and 29 of
// 100 shows 28 (29 / 100 * 100 is 28.999...). 0 when n is 0.
int progress_percent(int i, int n);

// prefix + progress_percent(i, n) + "%", as "字体重装中:25%".
std::string progress_caption(std::string_view prefix, int i, int n);

// prefix + n in decimal, as "已下载字体数:2".
std::string count_caption(std::string_view prefix, int n);

}  // namespace yq
