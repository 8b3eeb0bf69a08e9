#include "platform/sfnt/licence.h"

#include <optional>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace yq {
namespace {

// The phrases are written in UTF-16 and turned into GBK once, so that they
// are the same bytes in every build, whatever its narrow literals are.
using Phrases = std::vector<std::string>;

Phrases to_gbk(std::initializer_list<std::u16string_view> phrases) {
    Phrases out;
    for (std::u16string_view p : phrases) out.push_back(utf16_to_gbk(p));
    return out;
}

// Names of licences that allow commercial use (doc/licences.md).
const Phrases& free_phrases() {
    static const Phrases phrases = to_gbk({
        u"Open Font License",
        u"Open Font Licence",
        u"OFL",
        u"openfontlicense.org",
        u"Apache License",
        u"Apache Licence",
        u"apache.org/licenses",
        u"public domain",
        u"CC0",
        u"creativecommons.org/publicdomain",
        u"MIT License",
        u"MIT Licence",
        u"licenses/MIT",
        u"Permission is hereby granted, free of charge",
        u"BSD License",
        u"BSD Licence",
        u"BSD-2-Clause",
        u"BSD-3-Clause",
        u"Redistribution and use in source and binary forms",
        u"GUST Font License",
        u"GUST Font Licence",
        u"LaTeX Project Public License",
        u"LPPL",
        u"General Public License",
        u"GPL",
        u"GPLv2",
        u"GPLv3",
        u"LGPL",
        u"Arphic Public License",
        u"Ubuntu Font Licence",
        u"Ubuntu Font License",
        u"免费商用",
        u"允许商用",
        u"可商用",
        u"免费用于商业",
        u"可用于商业",
        u"开放字体许可",
        u"开源字体许可",
        u"公有领域",
        u"公共领域",
    });
    return phrases;
}

// Phrases that restrict commercial use.
const Phrases& restricting_phrases() {
    static const Phrases phrases = to_gbk({
        u"non-commercial",
        u"noncommercial",
        u"non commercial",
        u"not for commercial",
        u"no commercial use",
        u"not be used for commercial",
        u"not to be used for commercial",
        u"not be used commercially",
        u"personal use only",
        u"only for personal use",
        u"commercial license required",
        u"commercial licence required",
        u"commercial license is required",
        u"commercial licence is required",
        u"requires a commercial license",
        u"requires a commercial licence",
        u"purchase a commercial license",
        u"purchase a commercial licence",
        u"buy a commercial license",
        u"buy a commercial licence",
        u"commercial use requires",
        u"for commercial use, please contact",
        u"for commercial use please contact",
        u"commercial use is prohibited",
        u"commercial use prohibited",
        u"commercial use is not permitted",
        u"commercial use is not allowed",
        u"commercial use not permitted",
        u"commercial use not allowed",
        u"by-nc",
        u"商用需授权",
        u"商用须授权",
        u"商用需要授权",
        u"商业用途需授权",
        u"商业使用需授权",
        u"商用请联系",
        u"商业用途请联系",
        u"商业使用请联系",
        u"商用请购买",
        u"商用需购买",
        u"商用收费",
        u"商用付费",
        u"仅供个人",
        u"仅限个人",
        u"个人免费",
        u"个人使用免费",
        u"非商业",
        u"非商用",
        u"不可商用",
        u"不得商用",
        u"禁止商用",
        u"不能商用",
        u"不允许商用",
        u"不可免费商用",
        u"不可用于商业",
        u"不得用于商业",
        u"禁止用于商业",
        u"不能用于商业",
    });
    return phrases;
}

// Phrases that name commercial and non-commercial use together ("free for
// commercial and non-commercial use"): set aside before the restricting
// phrases are looked for, since they grant rather than restrict.
const Phrases& neutral_phrases() {
    static const Phrases phrases = [] {
        Phrases out;
        for (std::u16string non : {u"non-commercial", u"noncommercial", u"non commercial"}) {
            for (std::u16string join : {u" and ", u" or ", u" & ", u"/", u", "}) {
                out.push_back(utf16_to_gbk(u"commercial" + join + non));
                out.push_back(utf16_to_gbk(non + join + u"commercial"));
            }
        }
        for (std::u16string use : {u"商业", u"商用"}) {
            for (std::u16string join : {u"和", u"与", u"及", u"或", u"、", u"/"}) {
                out.push_back(utf16_to_gbk(use + join + u"非" + use));
                out.push_back(utf16_to_gbk(u"非" + use + join + use));
            }
        }
        return out;
    }();
    return phrases;
}

bool is_ascii_letter(unsigned char c) {
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}

// A text made ready for matching: its single-byte characters in ASCII lower
// case (double-byte ones as they are), and which bytes start a character.
struct Folded {
    std::string text;
    std::vector<bool> starts;

    explicit Folded(std::string_view raw) : text(raw), starts(raw.size(), false) {
        for (size_t i = 0; i < text.size();) {
            size_t n = gbk_char_size(text, i);
            starts[i] = true;
            if (n == 1 && text[i] >= 'A' && text[i] <= 'Z')
                text[i] = static_cast<char>(text[i] | 0x20);
            i += n;
        }
    }

    // Whether the character that ends just before byte `at` is an ASCII letter.
    bool letter_before(size_t at) const {
        return at > 0 && starts[at - 1] && is_ascii_letter(text[at - 1]);
    }

    // Where `phrase` (folded as the text is) is found as whole words: on
    // character boundaries, and where it starts or ends with a letter,
    // without a letter next to it ("ofl" is not found in "wofle"). npos when
    // it is not. The phrase is whole characters, so a match that starts on a
    // boundary ends on one.
    size_t find(std::string_view phrase) const {
        const bool letter_first = is_ascii_letter(phrase.front());
        const bool letter_last = is_ascii_letter(phrase.back());
        for (size_t at = text.find(phrase); at != std::string::npos;
             at = text.find(phrase, at + 1)) {
            if (!starts[at] || (letter_first && letter_before(at))) continue;
            size_t end = at + phrase.size();
            if (letter_last && end < text.size() && is_ascii_letter(text[end])) continue;
            return at;
        }
        return std::string::npos;
    }

    bool holds_any(const Phrases& phrases) const {
        for (const std::string& p : phrases) {
            if (find(p) != std::string::npos) return true;
        }
        return false;
    }

    // Overwrites every occurrence of `phrase` with '|', a mark no phrase holds.
    void blank_out(std::string_view phrase) {
        for (size_t at; (at = find(phrase)) != std::string::npos;) {
            for (size_t i = at; i < at + phrase.size(); ++i) {
                text[i] = '|';
                starts[i] = true;
            }
        }
    }
};

// Phrases folded as the texts are.
Phrases folded(const Phrases& phrases) {
    Phrases out;
    for (const std::string& p : phrases) out.push_back(Folded(p).text);
    return out;
}

// The text as it is matched: full-width ASCII folded to half-width, every
// control character a space, and each run of spaces one space, so that a
// phrase broken over lines is still found. Control bytes and spaces are
// never the trail byte of a GBK character.
std::string normalised(std::string_view text) {
    std::string wide_folded = fold_full_width(text);
    std::string out;
    out.reserve(wide_folded.size());
    for (char ch : wide_folded) {
        unsigned char c = ch;
        if (c < 0x20 || c == 0x7F) c = ' ';
        if (c == ' ' && !out.empty() && out.back() == ' ') continue;
        out.push_back(static_cast<char>(c));
    }
    return out;
}

enum class Verdict { kNothing, kFree, kRestricted };

Verdict verdict_of(std::string_view raw) {
    static const Phrases free = folded(free_phrases());
    static const Phrases restricting = folded(restricting_phrases());
    static const Phrases neutral = folded(neutral_phrases());
    if (raw.empty()) return Verdict::kNothing;
    Folded text(normalised(raw));
    // Free names are looked for first: a neutral phrase may share characters
    // with one ("可用于商业和非商业用途").
    const bool names_free_licence = text.holds_any(free);
    for (const std::string& p : neutral) text.blank_out(p);
    if (text.holds_any(restricting)) return Verdict::kRestricted;
    return names_free_licence ? Verdict::kFree : Verdict::kNothing;
}

bool is_blank_or_control(std::string_view text, size_t at, size_t n) {
    if (n == 1) return static_cast<unsigned char>(text[at]) <= 0x20 || text[at] == 0x7F;
    return text.substr(at, 2) == "\xA1\xA1";  // the full-width space
}

// The first line of `text` that is not blank, trimmed and cut; "" for none.
std::string first_line_of(std::string_view text) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        // A line break byte is never a trail byte, so `end` is a boundary.
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        std::string out;
        size_t kept = 0;  // bytes of `out` up to its last character that is not blank
        for (size_t i = 0; i < line.size();) {
            size_t n = gbk_char_size(line, i);
            bool blank = is_blank_or_control(line, i, n);
            if (!(blank && out.empty())) {
                if (out.size() + n > kMaxLicenceLineBytes) break;
                out.append(blank && n == 1 ? std::string_view(" ") : line.substr(i, n));
                if (!blank) kept = out.size();
            }
            i += n;
        }
        out.resize(kept);
        if (!out.empty()) return out;
        start = end + 1;
    }
    return "";
}

}  // namespace

const std::string& licence_caption(LicenceClass kind) {
    static const std::string free = utf16_to_gbk(u"可免费商用");
    static const std::string restricted = utf16_to_gbk(u"商用需授权");
    static const std::string unknown = utf16_to_gbk(u"授权未知");
    switch (kind) {
        case LicenceClass::kFree:
            return free;
        case LicenceClass::kRestricted:
            return restricted;
        case LicenceClass::kUnknown:
            break;
    }
    return unknown;
}

std::optional<LicenceClass> licence_of_caption(std::string_view caption) {
    for (LicenceClass kind : {LicenceClass::kFree, LicenceClass::kRestricted, LicenceClass::kUnknown})
        if (caption == licence_caption(kind)) return kind;
    return std::nullopt;
}

LicenceClass classify_licence(const sfnt::FaceLicence& licence) {
    // Each text is looked at on its own, so no phrase spans two of them.
    bool free = false;
    for (const std::string* text : {&licence.description, &licence.url, &licence.copyright}) {
        Verdict v = verdict_of(*text);
        if (v == Verdict::kRestricted) return LicenceClass::kRestricted;
        free = free || v == Verdict::kFree;
    }
    return free ? LicenceClass::kFree : LicenceClass::kUnknown;
}

std::string licence_first_line(const sfnt::FaceLicence& licence) {
    for (const std::string* text : {&licence.description, &licence.url, &licence.copyright}) {
        std::string line = first_line_of(*text);
        if (!line.empty()) return line;
    }
    return "";
}

LicenceSummary summarize_licence(const sfnt::FaceLicence& licence) {
    return {classify_licence(licence), licence_first_line(licence)};
}

}  // namespace yq
