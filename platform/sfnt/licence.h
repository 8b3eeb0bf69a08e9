// A font's licence at a glance: whether its name table's licence texts
// (copyright, licence description, licence URL; platform/sfnt/face_name.h)
// say it is free for commercial use, restrict commercial use, or say
// neither, and the line of them a tooltip shows. The phrases and the rule
// are listed in doc/licences.md. Pure functions: any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/sfnt/face_name.h"

namespace yq {

// Stored by number in the face-name store: keep the values.
enum class LicenceClass : uint8_t {
    kUnknown = 0,     // 授权未知: no licence text, or none the model recognises
    kFree = 1,        // 可免费商用: a known licence that allows commercial use
    kRestricted = 2,  // 商用需授权: a text that restricts commercial use
};

// The class's caption, GBK: "可免费商用", "商用需授权" or "授权未知".
const std::string& licence_caption(LicenceClass kind);
// The class a caption names (exactly one of the three), or nothing: how a
// class written as its caption (the catalogue's licence table) is read back.
std::optional<LicenceClass> licence_of_caption(std::string_view caption);

// Longest first line kept, in bytes; a line is cut before a double-byte
// character that would pass it, never inside one.
constexpr size_t kMaxLicenceLineBytes = 80;

struct LicenceSummary {
    LicenceClass kind = LicenceClass::kUnknown;
    std::string first_line;  // GBK, at most kMaxLicenceLineBytes; "" when there is none
    bool operator==(const LicenceSummary&) const = default;
};

// The class of a face's licence texts: kRestricted when any of them holds a
// restricting phrase (once the phrases that name commercial and
// non-commercial use together are set aside), else kFree when any names a
// free licence, else kUnknown.
LicenceClass classify_licence(const sfnt::FaceLicence& licence);

// The first line of the licence description (or, when it has none, of the
// URL, else of the copyright) that is not blank: control characters become
// spaces, blanks at both ends are trimmed, and it is cut to
// kMaxLicenceLineBytes. "" when every text is blank.
std::string licence_first_line(const sfnt::FaceLicence& licence);

// Both of the above.
LicenceSummary summarize_licence(const sfnt::FaceLicence& licence);

}  // namespace yq
