// The file name made from a catalogue font name never leaves the download
// folder, never names a device and never ends in a dot or blank.
#include <string>
#include <string_view>

#include "base/file_names.h"
#include "base/text.h"
#include "download/download_model.h"

namespace {

bool is_lead(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view name(reinterpret_cast<const char*>(data), size);
    std::string stem = yq::download::safe_font_file_stem(name);
    if (stem.empty()) return 0;
    if (stem.size() != name.size()) __builtin_trap();  // replacements keep one byte per byte
    if (stem.back() == '.' || stem.back() == ' ') __builtin_trap();
    // Walking by characters, no single-byte character is a separator or
    // another byte a Windows name cannot hold, and no lead byte is left alone.
    for (size_t i = 0; i < stem.size();) {
        unsigned char c = static_cast<unsigned char>(stem[i]);
        if (is_lead(c)) {
            if (i + 1 >= stem.size()) __builtin_trap();
            unsigned char t = static_cast<unsigned char>(stem[i + 1]);
            if (t < 0x40 || t == 0x7F || t == 0xFF) __builtin_trap();
            i += 2;
            continue;
        }
        if (c < 0x20 || std::string_view("<>:\"/\\|?*").find(char(c)) != std::string_view::npos)
            __builtin_trap();
        ++i;
    }
    std::string path = yq::download::target_path("C:\\dl\\", name);
    if (!path.empty() && path != "C:\\dl\\" + stem + ".ttf") __builtin_trap();
    // The Fonts folder's name is that stem without blanks, and always one
    // Windows stores as given (or none at all).
    std::string installed = yq::download::install_file_name(name);
    if (!installed.empty() &&
        (!yq::is_storable_file_name(installed) || installed != yq::strip_blanks(stem) + ".ttf"))
        __builtin_trap();
    return 0;
}
