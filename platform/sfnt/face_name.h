// Face name of a TrueType / OpenType font file or collection, read straight
// from its name table (layout: doc/formats/name-table.md).
//
// The face name is the one a Chinese Windows shows for the file: the family
// name (name ID 1) of the Windows records, preferring Chinese (PRC), then US
// English, then the first Windows family record; failing those, the
// Macintosh Roman family record. It is returned as GBK, cut at its first NUL
// and then to its first kMaxFaceNameBytes bytes exactly as GDI cuts it: when
// byte 100 is the lead byte of a double-byte character, the name ends with
// that lone lead byte. Characters GBK lacks become "?".
//
// The same parse gives the face's licence texts: its copyright (name ID 0),
// licence description (ID 13) and licence URL (ID 14), each chosen among
// its records as the family name is, decoded as it is (GBK, "?" for what GBK
// lacks, up to the first NUL), from at most the first kMaxLicenceInputBytes
// bytes of the record's string.
//
// Both readers are pure functions of their input (no shared state), so any
// number of threads may call them at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/bytes.h"

namespace yq::sfnt {

constexpr size_t kMaxFaceNameBytes = 100;

// Every byte a name record can reach lies within the first 1 MiB of the name
// table (6 + 12 * 65535 bytes of records, string offsets and lengths of 16
// bits), so no more than this is ever read of it.
constexpr size_t kMaxNameTableBytes = size_t{1} << 20;

// Bytes of a licence record's string that are decoded: 1024 UTF-16 units,
// enough for the opening of any licence text, which is all the licence
// model looks at. Its GBK text is at most kMaxLicenceTextBytes long (a
// UTF-16 unit or a Mac Roman byte becomes at most two GBK bytes).
constexpr size_t kMaxLicenceInputBytes = 2048;
constexpr size_t kMaxLicenceTextBytes = 2 * kMaxLicenceInputBytes;

// A face's licence texts, GBK; "" for a text the face does not give.
struct FaceLicence {
    std::string copyright;    // name ID 0
    std::string description;  // name ID 13
    std::string url;          // name ID 14
};

// What one read of a face's name table gives: its face name and licence.
// For a file that is not a readable font every text is "".
struct FaceInfo {
    std::string face;
    FaceLicence licence;
};

// Face name and licence of the font file at `path` (of the first face of a
// collection), with one open of the file and one read of its name table;
// read_face_name_from_file is its `face`.
FaceInfo read_face_info_from_file(const std::string& path);
FaceInfo read_face_info(ByteSpan whole_file);
// The same out of a name table's own bytes: every text "" when the header
// or its records run past the end of the table.
FaceInfo face_info_from_name_table(ByteSpan name_table);

// Face name for the font file at `path` (a narrow path: GBK on Windows), or
// "" when the file cannot be opened or is not a readable font. Reads only the
// header, the table directory and the name table, never the whole file.
std::string read_face_name_from_file(const std::string& path);

// The same for a whole font file in memory. "" when it is not a readable
// font: an unknown header, a table directory or name table that runs past
// the end, or no usable family name record.
std::string read_face_name(ByteSpan whole_file);

// The face name picked from a name table's own bytes, or "" when it has no
// usable family record. Exposed for the tests and the fuzz target.
std::string face_name_from_name_table(ByteSpan name_table);

// Faces of a collection looked at by family_names; a bigger count is read
// as this many (no real collection comes near it).
constexpr uint32_t kMaxFacesRead = 64;

// Every name a face of the file answers to: the family names (name ID 1)
// and typographic family names (name ID 16) of every face, in every
// language of the Windows records and of the Macintosh Roman ones, as GBK
// and cut as the face name is, each once, in the order met. Windows finds a
// font by any of them, so a font claims all of them. Empty when the file is
// not a readable font. Reads the header, directories and name tables only.
std::vector<std::string> family_names(ByteSpan whole_file);
std::vector<std::string> family_names_from_file(const std::string& path);

// The same names out of one name table's bytes, appended to `names`
// (those already there are not added again).
void family_names_from_name_table(ByteSpan name_table, std::vector<std::string>& names);

}  // namespace yq::sfnt
