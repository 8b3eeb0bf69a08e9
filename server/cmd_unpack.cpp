// yanqing-server unpack: takes the file out of a zt container.
#include <cstdio>

#include "platform/zt/zt_container.h"
#include "server/command.h"
#include "server/lib/file_io.h"

namespace yq::server {
namespace {

// The publisher unpacks its own files; nothing it serves is larger.
constexpr size_t kMaxUnpackedBytes = size_t{1} << 30;

int run_unpack(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: yanqing-server unpack IN OUT\n");
        return 2;
    }
    std::string error;
    std::optional<Bytes> data = read_file(args[0], &error);
    if (!data) {
        std::fprintf(stderr, "unpack: %s: %s\n", args[0].c_str(), error.c_str());
        return 1;
    }
    if (data->size() < 8 || load_u32le(*data, 0) != kZtMagic) {
        std::fprintf(stderr, "unpack: %s: not a zt container (wrong magic)\n", args[0].c_str());
        return 1;
    }
    Result<Bytes> plain = zt_unpack(*data, kMaxUnpackedBytes);
    if (!plain || plain->empty()) {
        std::fprintf(stderr,
                     "unpack: %s: damaged container (bad stream, check value or stored length)\n",
                     args[0].c_str());
        return 1;
    }
    error = write_file_atomically(args[1], *plain);
    if (!error.empty()) {
        std::fprintf(stderr, "unpack: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

const Command reg{"unpack", "IN OUT", "unpack a zt container into the file it holds", run_unpack};

}  // namespace
}  // namespace yq::server
