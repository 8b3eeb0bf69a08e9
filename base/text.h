// GBK (code page 936) text helpers shared by every subsystem.
//
// Texts are GBK byte strings held in std::string. A character is one byte
// below 0x80, or a lead byte 0x81..0xFE followed by a trail byte. Positions
// are byte offsets from 0, and a search that finds nothing gives nullopt.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace yq {

// True for a byte that starts a GBK double-byte character.
inline bool is_gbk_lead(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}

// Byte length of a text up to its first NUL (the whole view when it has none).
size_t gbk_length(std::string_view text);

// Byte length of the character that starts at text[i]: 2 for a lead byte that
// has a trail byte after it, otherwise 1.
size_t gbk_char_size(std::string_view text, size_t i);

// Byte offset of the first occurrence of `needle` in `text` that begins on a
// character boundary at or after byte offset `start`, or nullopt. With
// fold_ascii_case, A..Z and a..z compare equal (GBK bytes never fold). An
// empty needle is found at the first boundary at or after `start` when that
// lies inside the text.
std::optional<size_t> gbk_find(std::string_view text, std::string_view needle, size_t start = 0,
                               bool fold_ascii_case = false);

// A blank is an ASCII space (0x20) or a full-width space (A1 A1).
// trim_blanks removes blanks at both ends; strip_blanks removes all of them.
std::string trim_blanks(std::string_view text);
std::string strip_blanks(std::string_view text);

// Folds full-width ASCII forms (A3 A1..A3 FE, and the full-width space A1 A1)
// to their half-width bytes; everything else is kept.
std::string fold_full_width(std::string_view text);

// Text to 32-bit integer: full-width forms folded, then leading spaces, an
// optional sign and decimal digits. No number gives 0. A number beyond the
// 32-bit range saturates to INT32_MAX or INT32_MIN.
int32_t text_to_int(std::string_view text);

// A decimal number of plain ASCII digits, all of `digits` and at most
// `max_digits` of them (at most 18, so it never overflows); nothing when
// it is empty or holds anything else (a sign, a blank, a full-width digit).
// What every reader of outside numbers (lengths, ports, counts) uses.
std::optional<uint64_t> parse_decimal(std::string_view digits, size_t max_digits = 18);

// Decimal text of a number, as the settings file and the labels write it.
std::string int_to_text(int64_t value);

// Code page 936 conversions, the same bytes natively and on Windows.
// GBK -> UTF-16: a lead byte with an invalid trail byte (both consumed) or
// without any gives U+003F; 0x80 is the euro sign and 0xFF is U+F8F5, and the
// user-defined areas map to the Private Use Area, as on Windows.
// UTF-16 -> GBK: a code unit that code page 936 lacks gives "?".
std::u16string gbk_to_utf16(std::string_view gbk);
std::string utf16_to_gbk(std::u16string_view utf16);

// UTF-8 at the edges (terminal output, JSON, server queries). Invalid UTF-8
// bytes become U+FFFD, which then becomes "?" in GBK.
std::u16string utf8_to_utf16(std::string_view utf8);
std::string utf16_to_utf8(std::u16string_view utf16);
inline std::string gbk_to_utf8(std::string_view gbk) {
    return utf16_to_utf8(gbk_to_utf16(gbk));
}
inline std::string utf8_to_gbk(std::string_view utf8) {
    return utf16_to_gbk(utf8_to_utf16(utf8));
}

}  // namespace yq
