// The program's working folders (字体备份, 字体回收站, 字体下载目录) and
// its settings file pos.ini, in the program directory. Made once at start;
// each writer makes its own folder again when it went missing meanwhile
// (win::ensure_folder), so nothing is checked on a paint.
#pragma once

namespace yq {

void prepare_working_folders();

}  // namespace yq
