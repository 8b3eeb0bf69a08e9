#include "app/win/working_folders.h"

#include <string>

#include "platform/win/files.h"
#include "platform/win/settings.h"

namespace yq {

void prepare_working_folders() {
    const std::string dir = program_directory();
    for (const char* name : {"字体备份", "字体回收站", "字体下载目录"})
        win::ensure_folder(dir + "\\" + name);
    // An empty pos.ini: the settings read their defaults from it until the
    // first write. A file of that name already there is left as it is.
    win::write_new_file(dir + "\\pos.ini", "");
}

}  // namespace yq
