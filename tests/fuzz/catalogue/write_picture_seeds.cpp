// Writes the unit tests' sample pictures into a folder, as fuzz seeds:
//   write_picture_seeds <folder>
#include <cstdio>
#include <string>

#include "../../unit/catalogue/picture_samples.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_picture_seeds <folder>\n");
        return 2;
    }
    for (const auto& [name, bytes] : yq::samples::all()) {
        std::string path = std::string(argv[1]) + "/" + name;
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::fclose(f);
    }
    return 0;
}
