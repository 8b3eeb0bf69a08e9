// yanqing-server face-name FILE...: the face name a Chinese Windows shows for
// each font file, one line each: the path, a tab, the name in UTF-8 (empty
// when the file is not a readable font).
#include <cstdio>

#include "base/text.h"
#include "platform/sfnt/face_name.h"
#include "server/command.h"

namespace yq::server {
namespace {

int run_face_name(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::fprintf(stderr, "usage: yanqing-server face-name FILE...\n");
        return 2;
    }
    for (const std::string& path : args) {
        std::string name = gbk_to_utf8(sfnt::read_face_name_from_file(path));
        std::printf("%s\t%s\n", path.c_str(), name.c_str());
    }
    return 0;
}

Command reg{"face-name", "FILE...", "print the face name of each font file", run_face_name};

}  // namespace
}  // namespace yq::server
