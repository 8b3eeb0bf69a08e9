// yanqing-server pack: wraps a file in a zt container.
#include <cstdio>

#include "platform/zt/zt_container.h"
#include "server/command.h"
#include "server/lib/file_io.h"

namespace yq::server {
namespace {

int run_pack(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: yanqing-server pack IN OUT\n");
        return 2;
    }
    std::string error;
    std::optional<Bytes> data = read_file(args[0], &error);
    if (!data) {
        std::fprintf(stderr, "pack: %s: %s\n", args[0].c_str(), error.c_str());
        return 1;
    }
    if (data->empty()) {
        // A stored length of 0 is what an unpacker rejects; refuse to make one.
        std::fprintf(stderr, "pack: %s: empty file (an empty container cannot be unpacked)\n",
                     args[0].c_str());
        return 1;
    }
    Bytes packed = zt_pack(*data);
    if (packed.empty()) {
        std::fprintf(stderr, "pack: %s: too large for a container (1 GiB or more)\n",
                     args[0].c_str());
        return 1;
    }
    error = write_file_atomically(args[1], packed);
    if (!error.empty()) {
        std::fprintf(stderr, "pack: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

const Command reg{"pack", "IN OUT", "pack a file into a zt container", run_pack};

}  // namespace
}  // namespace yq::server
