// Which installed fonts are the program's own, and the rules that keep it
// from touching any other. A font's identity is its file: a face name says
// nothing about who put a font on the machine, since any font file can
// claim any face (黑体, 宋体, Arial). So the program records each registry
// value it writes, with the file it names and a digest of the bytes it put
// there, and treats a value or a Fonts-folder file as its own only when
// that record still matches what is on disk, or when the bytes are the very
// ones it is about to install.
//
//   InstallRecord / InstallRecords  what the program installed, one record per value
//   serialize/parse_install_records the stored form (below)
//   name_key                        a face name as Windows compares face names
//   faces_of_value_name             the faces a fonts-key value name stands for
//   FaceClaim / judge_install       whether an install may go ahead
//
// The stored form (little-endian):
//   "YQINST01"                                   8 bytes
//   u32 record count
//   per record: u8 scope (0 machine, 1 user),
//               u8 value name length, value name bytes (GBK),
//               u16 file name length, file name bytes (GBK, no folder),
//               u64 size, 32 bytes SHA-256 of the file's bytes
//   u32 CRC-32 (zlib) of everything before it
// A file cut short, with a wrong checksum, an unknown header, an unknown
// scope, an empty or overlong name, a file name with a folder in it, a
// value name twice for one scope, or bytes after the checksum is refused as
// a whole: the program then owns nothing, and refuses to replace what it
// cannot prove is its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "base/sha256.h"
#include "fonts/inventory_model.h"

namespace yq {

// A value name is a face name (at most 100 bytes) and its " (TrueType)"
// suffix; a file name at most 255 characters.
constexpr size_t kMaxRecordedValueBytes = 255;
constexpr size_t kMaxRecordedFileBytes = 1024;
// More records than fonts anyone installs; a bigger count is damage.
constexpr size_t kMaxInstallRecords = 100000;

struct InstallRecord {
    FontScope scope = FontScope::Machine;
    std::string value_name;  // the registry value written, e.g. "探针黑体 (TrueType)"
    std::string file_name;   // the file in the scope's Fonts folder it names
    uint64_t size = 0;
    Sha256Digest digest{};  // of the bytes installed
};

class InstallRecords {
  public:
    // The record of a value (value names compared as the registry does:
    // ASCII letters without case), or null.
    const InstallRecord* find_value(FontScope scope, std::string_view value_name) const;
    // Adds a record, replacing the one of the same value.
    void put(InstallRecord record);
    // Drops the record of a value; true when there was one.
    bool forget_value(FontScope scope, std::string_view value_name);

    const std::vector<InstallRecord>& all() const { return records_; }
    bool empty() const { return records_.empty(); }

  private:
    std::vector<InstallRecord> records_;
};

std::string serialize_install_records(const InstallRecords& records);
// The records of a stored file, or false (and `out` empty) when the bytes
// are not a whole, intact store.
bool parse_install_records(ByteSpan bytes, InstallRecords& out);

// Two texts equal as Windows compares names: ASCII letters without case,
// every other byte (GBK characters) exactly.
bool same_name_ignoring_case(std::string_view a, std::string_view b);

// A face name as Windows matches face names: blanks (ASCII and full-width)
// removed, ASCII letters in upper case.
std::string name_key(std::string_view face);

// The faces a value name of the fonts key stands for: the name without its
// trailing " (TrueType)" (or any trailing parenthesised kind), split at
// " & " for a collection ("宋体 & 新宋体 (TrueType)" gives 宋体 and 新宋体).
// Each face comes back as name_key() gives it; empty parts are left out.
std::vector<std::string> faces_of_value_name(std::string_view value_name);

// Something already installed that answers to one of the faces of a font
// about to be installed: a fonts-key value, an installed file whose face is
// that name, or a font the system has loaded under that name (which may be
// registered nowhere: a font file of the Fonts folder, or one of the
// system's own).
struct FaceClaim {
    std::string what;         // the value name, file or face, for messages
    bool ours = false;        // the program's record says so and the bytes still match it
    bool same_bytes = false;  // it holds exactly the bytes being installed
    bool registered = false;  // a fonts-key value names it
};

enum class InstallVerdict {
    Install,         // nobody else answers to the face: install (or update our own)
    AlreadyThere,    // these very bytes are registered already: nothing to do, no failure
    TakenByAnother,  // another font answers to the face: change nothing
};

// Another font's claim (neither ours nor the same bytes) refuses the
// install; claims that are all the same bytes, one of them registered, need
// nothing done; otherwise (no claim, our own, or the same bytes loaded but
// registered nowhere) the install goes ahead.
InstallVerdict judge_install(const std::vector<FaceClaim>& claims);

}  // namespace yq
