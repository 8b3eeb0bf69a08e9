// yanqing-server build: makes a catalogue folder from a tree of font files.
#include <cstdio>

#include "base/version.h"
#include "server/command.h"
#include "server/lib/catalogue_builder.h"

namespace yq::server {
namespace {

int run_build(const std::vector<std::string>& args) {
    BuildOptions o;
    std::vector<std::string> places;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string* value = a == "--version"           ? &o.catalogue_version
                             : a == "--program-version" ? &o.program_version
                             : a == "--exe"             ? &o.exe
                                                        : nullptr;
        if (value) {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "build: %s needs a value\n", a.c_str());
                return 2;
            }
            *value = args[++i];
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "build: unknown option '%s'\n", a.c_str());
            return 2;
        } else {
            places.push_back(a);
        }
    }
    if (places.size() != 2) {
        std::fprintf(
            stderr,
            "usage: yanqing-server build SRC OUT [--version 1.6] [--program-version " YQ_VERSION
            "] [--exe PATH]\n");
        return 2;
    }
    o.source = places[0];
    o.out = places[1];
    BuildReport r = build_catalogue(o);
    for (const std::string& w : r.warnings) std::fprintf(stderr, "build: warning: %s\n", w.c_str());
    if (!r.error.empty()) {
        std::fprintf(stderr, "build: %s\n", r.error.c_str());
        return 1;
    }
    std::printf("built %zu fonts in %zu categories into %s (catalogue %s)\n", r.fonts, r.categories,
                o.out.c_str(), o.catalogue_version.c_str());
    return 0;
}

const Command reg{"build",
                  "SRC OUT [--version 1.6] [--program-version " YQ_VERSION
                  "] [--exe PATH]\n\n"
                  "  SRC holds <group>/<category>/<font files>; a group folder is named\n"
                  "  \xe4\xb8\xad\xe6\x96\x87\xe5\xad\x97\xe4\xbd\x93, "
                  "\xe8\x8b\xb1\xe6\x96\x87\xe5\xad\x97\xe4\xbd\x93 or "
                  "\xe7\x89\xb9\xe6\xae\x8a\xe5\xad\x97\xe4\xbd\x93 (UTF-8 file names).\n"
                  "  OUT receives ztdata.mdb, ztysb.data, ztwjj/<key>.tmp, ztpz.txt, My.txt,\n"
                  "  ad.html, catalogue.tsv and, with --exe, yanqing.exe.",
                  "build a catalogue folder from a tree of font files", run_build};

}  // namespace
}  // namespace yq::server
