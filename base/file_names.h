// What a Windows file name may be, for names this program makes from outside
// text (catalogue font names) and for names it is asked to write into.
// Names are GBK; a trail byte (which may be 0x5C '\' or 0x7C '|') belongs to
// its character and is never taken for punctuation.
//
//   names_device            Windows opens a device, not a file, for this name
//   is_storable_file_name   Windows stores and reads back exactly this name
//   gbk_char_count          characters of a GBK text
//   file_name_of            the last part of a path
//   numbered_file_name      "stem (k).ext", for a name that is taken
//   is_partial_file_name    a file still being written under a final name to come
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace yq {

// The longest file name we create, in characters (a GBK double-byte character
// counts once), and the longest whole path the "A" file calls accept.
inline constexpr size_t kMaxFileNameChars = 255;
inline constexpr size_t kMaxPathChars = 259;

// GBK trail bytes: 0x40..0xFE except 0x7F.
inline bool is_gbk_trail(unsigned char b) {
    return b >= 0x40 && b <= 0xFE && b != 0x7F;
}

// Control characters, the separators slash and backslash, and < > : " | ? *.
bool is_forbidden_in_file_name(unsigned char c);

// True when the part of `file_name` before its first dot, without trailing
// blanks, is CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$ or CLOCK$
// (in any case): Windows then opens that device, whatever the extension.
bool names_device(std::string_view file_name);

// Characters of a GBK text: a lead byte with a trail byte after it counts once.
size_t gbk_char_count(std::string_view text);

// Outside text (a catalogue font name, a face name read from a font file)
// made into the stem of a file name: the text exactly where it is a valid
// Windows name, else with every character a file name cannot hold and
// trailing dots and blanks replaced by '_' (a lead byte without a valid trail
// byte too). Empty when the text is empty, names a device, or leaves fewer
// than `reserved` characters (the extension to come) of kMaxFileNameChars.
std::string safe_file_stem(std::string_view text, size_t reserved);

// True when `name` is a plain file name that Windows stores as given: not
// empty, not "." or "..", no forbidden character, every lead byte followed by
// a trail byte, no trailing dot or blank (Windows would drop them), not a
// device name, and at most kMaxFileNameChars characters.
bool is_storable_file_name(std::string_view name);

// The part of a path after its last backslash or slash (Windows takes both
// as separators), stepping by GBK characters; all of it when there is none.
std::string_view file_name_of(std::string_view path);

// A name split at its last dot: "a.b.ttf" gives "a.b" and ".ttf"; a name
// without a dot, or with only a leading one, has no extension.
std::pair<std::string_view, std::string_view> split_extension(std::string_view name);

// "stem (k).ext" (k from 2) for a file name that is taken in a folder;
// empty when the result would not be storable (too long).
std::string numbered_file_name(std::string_view name, int k);

// Files being written are named after their final name plus this suffix,
// beside it, and moved to the final name once whole: a copy or download cut
// short never leaves a truncated file under a name the program lists.
inline constexpr std::string_view kPartialSuffix = ".yqpart";
bool is_partial_file_name(std::string_view name);

}  // namespace yq
