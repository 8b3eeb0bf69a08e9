// The licence model over outside texts: the input as a font whose name
// table gives the texts, and as each text itself.
#include <string>

#include "base/text.h"
#include "platform/sfnt/licence.h"

namespace {

// A known class, and a first line within its cap that ends on a whole character.
void check(const yq::LicenceSummary& s) {
    if (static_cast<uint8_t>(s.kind) > static_cast<uint8_t>(yq::LicenceClass::kRestricted))
        __builtin_trap();
    if (s.first_line.size() > yq::kMaxLicenceLineBytes) __builtin_trap();
    size_t i = 0;
    while (i < s.first_line.size()) i += yq::gbk_char_size(s.first_line, i);
    if (i != s.first_line.size()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    check(yq::summarize_licence(yq::sfnt::read_face_info(yq::ByteSpan(data, size)).licence));
    // Raw texts are bounded as the reader bounds them.
    std::string text(reinterpret_cast<const char*>(data),
                     size < yq::sfnt::kMaxLicenceTextBytes ? size : yq::sfnt::kMaxLicenceTextBytes);
    check(yq::summarize_licence({text, "", ""}));
    check(yq::summarize_licence({"", text, ""}));
    return 0;
}
