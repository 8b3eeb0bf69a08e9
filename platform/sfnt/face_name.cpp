#include "platform/sfnt/face_name.h"

#include <algorithm>
#include <string_view>

#include "base/text.h"
#include "platform/sfnt/font_tables.h"

namespace yq::sfnt {
namespace {

constexpr uint32_t kTagName = tag('n', 'a', 'm', 'e');

constexpr size_t kNameHeaderBytes = 6;
constexpr size_t kNameRecordBytes = 12;

constexpr uint16_t kPlatformMacintosh = 1;
constexpr uint16_t kPlatformWindows = 3;
constexpr uint16_t kMacEncodingRoman = 0;
constexpr uint16_t kMacLanguageEnglish = 0;
constexpr uint16_t kWinEncodingSymbol = 0;
constexpr uint16_t kWinEncodingUnicodeBmp = 1;
constexpr uint16_t kWinEncodingPrc = 3;
constexpr uint16_t kWinEncodingUnicodeFull = 10;
constexpr uint16_t kWinLanguageChinesePrc = 0x0804;
constexpr uint16_t kWinLanguageEnglishUs = 0x0409;
constexpr uint16_t kNameIdCopyright = 0;
constexpr uint16_t kNameIdFamily = 1;
constexpr uint16_t kNameIdLicenceDescription = 13;
constexpr uint16_t kNameIdLicenceUrl = 14;
constexpr uint16_t kNameIdTypographicFamily = 16;

// Mac OS Roman bytes 0x80..0xFF as UTF-16.
constexpr char16_t kMacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3,
    0x00E5, 0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3,
    0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA,
    0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D,
    0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE,
    0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

// UTF-16BE code units up to the first U+0000. An odd last byte is ignored.
std::string decode_utf16be(ByteSpan s) {
    std::u16string units;
    for (size_t i = 0; i + 1 < s.size(); i += 2) {
        char16_t u = load_u16be(s, i);
        if (u == 0) break;
        units.push_back(u);
    }
    return utf16_to_gbk(units);
}

// PRC strings: 16-bit big-endian units each holding a GB2312/GBK byte pair,
// high byte first; a unit whose high byte is zero holds a single byte. The
// bytes go through UTF-16 and back so that a pair code page 936 cannot
// decode becomes "?", as it does on Windows.
std::string decode_prc(ByteSpan s) {
    std::string gbk;
    for (size_t i = 0; i + 1 < s.size(); i += 2) {
        uint8_t hi = s[i], lo = s[i + 1];
        if (hi != 0) gbk.push_back(static_cast<char>(hi));
        if (lo == 0) break;
        gbk.push_back(static_cast<char>(lo));
    }
    return utf16_to_gbk(gbk_to_utf16(gbk));
}

std::string decode_mac_roman(ByteSpan s) {
    std::u16string units;
    for (uint8_t b : s) {
        if (b == 0) break;
        units.push_back(b < 0x80 ? char16_t(b) : kMacRomanHigh[b - 0x80]);
    }
    return utf16_to_gbk(units);
}

struct Candidate {
    ByteSpan text;
    uint16_t platform = 0;
    uint16_t encoding = 0;
    bool found = false;
};

std::string decode(const Candidate& c) {
    if (c.platform == kPlatformMacintosh) return decode_mac_roman(c.text);
    if (c.encoding == kWinEncodingPrc) return decode_prc(c.text);
    return decode_utf16be(c.text);
}

bool is_windows_family_encoding(uint16_t encoding) {
    return encoding == kWinEncodingSymbol || encoding == kWinEncodingUnicodeBmp ||
           encoding == kWinEncodingPrc || encoding == kWinEncodingUnicodeFull;
}

// The records of one name id, in order of preference; the first record of
// each kind wins.
struct Choice {
    Candidate win_chinese, win_english, win_first, mac_english, mac_first;

    void offer(const Candidate& c, uint16_t language) {
        if (c.platform == kPlatformWindows && is_windows_family_encoding(c.encoding)) {
            if (language == kWinLanguageChinesePrc && !win_chinese.found) win_chinese = c;
            if (language == kWinLanguageEnglishUs && !win_english.found) win_english = c;
            if (!win_first.found) win_first = c;
        } else if (c.platform == kPlatformMacintosh && c.encoding == kMacEncodingRoman) {
            if (language == kMacLanguageEnglish && !mac_english.found) mac_english = c;
            if (!mac_first.found) mac_first = c;
        }
    }

    // The text of the most preferred record that decodes to something, its
    // string first cut to `max_input` bytes; "" when none does.
    std::string pick(size_t max_input) const {
        for (const Candidate* c :
             {&win_chinese, &win_english, &win_first, &mac_english, &mac_first}) {
            if (!c->found) continue;
            Candidate cut = *c;
            if (cut.text.size() > max_input) cut.text = cut.text.first(max_input);
            std::string text = decode(cut);
            if (!text.empty()) return text;
        }
        return "";
    }
};

FaceInfo read_face_info_from(FontSource& src) {
    Bytes table;
    if (!read_table(src, kTagName, kMaxNameTableBytes, table)) return {};
    return face_info_from_name_table(table);
}

std::vector<std::string> family_names_from(FontSource& src) {
    std::vector<std::string> names;
    uint32_t faces = std::min(face_count(src), kMaxFacesRead);
    Bytes table;
    for (uint32_t face = 0; face < faces; ++face) {
        if (read_table(src, kTagName, kMaxNameTableBytes, table, face))
            family_names_from_name_table(table, names);
    }
    return names;
}

}  // namespace

FaceInfo face_info_from_name_table(ByteSpan table) {
    ByteReader r(table);
    r.u16be();  // format 0 or 1; format 1's language-tag records are not needed here
    size_t count = r.u16be();
    size_t storage = r.u16be();
    if (!r.ok() || kNameHeaderBytes + count * kNameRecordBytes > table.size()) return {};

    Choice family, copyright, description, url;
    for (size_t i = 0; i < count; ++i) {
        uint16_t platform = r.u16be();
        uint16_t encoding = r.u16be();
        uint16_t language = r.u16be();
        uint16_t name_id = r.u16be();
        size_t length = r.u16be();
        size_t offset = r.u16be();
        Choice* choice = name_id == kNameIdFamily               ? &family
                         : name_id == kNameIdCopyright          ? &copyright
                         : name_id == kNameIdLicenceDescription ? &description
                         : name_id == kNameIdLicenceUrl         ? &url
                                                                : nullptr;
        if (!choice || length == 0) continue;
        size_t start = storage + offset;
        if (start > table.size() || length > table.size() - start) continue;
        choice->offer({table.subspan(start, length), platform, encoding, true}, language);
    }

    FaceInfo info;
    info.face = family.pick(table.size());
    if (info.face.size() > kMaxFaceNameBytes) info.face.resize(kMaxFaceNameBytes);
    info.licence.copyright = copyright.pick(kMaxLicenceInputBytes);
    info.licence.description = description.pick(kMaxLicenceInputBytes);
    info.licence.url = url.pick(kMaxLicenceInputBytes);
    return info;
}

std::string face_name_from_name_table(ByteSpan table) {
    return face_info_from_name_table(table).face;
}

void family_names_from_name_table(ByteSpan table, std::vector<std::string>& names) {
    ByteReader r(table);
    r.u16be();
    size_t count = r.u16be();
    size_t storage = r.u16be();
    if (!r.ok() || kNameHeaderBytes + count * kNameRecordBytes > table.size()) return;
    for (size_t i = 0; i < count; ++i) {
        uint16_t platform = r.u16be();
        uint16_t encoding = r.u16be();
        r.u16be();  // any language
        uint16_t name_id = r.u16be();
        size_t length = r.u16be();
        size_t offset = r.u16be();
        if ((name_id != kNameIdFamily && name_id != kNameIdTypographicFamily) || length == 0)
            continue;
        size_t start = storage + offset;
        if (start > table.size() || length > table.size() - start) continue;
        Candidate c{table.subspan(start, length), platform, encoding, true};
        bool usable = (platform == kPlatformWindows && is_windows_family_encoding(encoding)) ||
                      (platform == kPlatformMacintosh && encoding == kMacEncodingRoman);
        if (!usable) continue;
        std::string name = decode(c);
        if (name.size() > kMaxFaceNameBytes) name.resize(kMaxFaceNameBytes);
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(std::move(name));
    }
}

std::vector<std::string> family_names(ByteSpan whole_file) {
    MemorySource src(whole_file);
    return family_names_from(src);
}

std::vector<std::string> family_names_from_file(const std::string& path) {
    FileSource src(path);
    return family_names_from(src);
}

FaceInfo read_face_info(ByteSpan whole_file) {
    MemorySource src(whole_file);
    return read_face_info_from(src);
}

FaceInfo read_face_info_from_file(const std::string& path) {
    FileSource src(path);
    return read_face_info_from(src);
}

std::string read_face_name(ByteSpan whole_file) {
    return read_face_info(whole_file).face;
}

std::string read_face_name_from_file(const std::string& path) {
    return read_face_info_from_file(path).face;
}

}  // namespace yq::sfnt
