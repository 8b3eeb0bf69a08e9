// yanqing-server: the reference catalogue server and catalogue builder.
#include <cstdio>
#include <cstring>

#include "server/command.h"

namespace yq::server {

static std::vector<const Command*>& registry() {
    static std::vector<const Command*> list;
    return list;
}

Command::Command(const char* n, const char* u, const char* s, CommandFn r)
    : name(n), usage(u), summary(s), run(r) {
    registry().push_back(this);
}

const std::vector<const Command*>& commands() {
    return registry();
}

static void print_usage(FILE* out) {
    std::fprintf(out, "usage: yanqing-server COMMAND [ARGS...]\n\ncommands:\n");
    for (const Command* c : commands()) std::fprintf(out, "  %-10s %s\n", c->name, c->summary);
    std::fprintf(out, "\nyanqing-server COMMAND --help tells more.\n");
}

}  // namespace yq::server

int main(int argc, char** argv) {
    using namespace yq::server;
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        print_usage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const Command* c : commands()) {
        if (std::strcmp(c->name, argv[1]) != 0) continue;
        std::vector<std::string> args(argv + 2, argv + argc);
        for (const std::string& a : args) {
            if (a == "--help" || a == "-h") {
                std::printf("usage: yanqing-server %s %s\n\n%s\n", c->name, c->usage, c->summary);
                return 0;
            }
        }
        return c->run(args);
    }
    std::fprintf(stderr, "yanqing-server: unknown command '%s'\n\n", argv[1]);
    print_usage(stderr);
    return 2;
}
