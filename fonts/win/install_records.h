// The program's record of the fonts it installed itself (install_record.h
// has the rules and the stored form), kept in a file in the program's
// folder so that a later run still knows which fonts are its own. Any
// thread; each call reads and writes under one lock.
#pragma once

#include <optional>
#include <string>

#include "fonts/install_record.h"

namespace yq {

// Keeps the records in the file at `path` and reads it now; "" (the
// default) keeps them in memory only. A damaged or foreign file is read as
// no records, and replaced at the next change.
void set_install_record_file(const std::string& path);

// The record of a value of the scope's key, or nothing.
std::optional<InstallRecord> install_record_of(FontScope scope, const std::string& value_name);

// Whether the value `value_name` of the scope's key, which names the file at
// `path` (absolute), is the program's own: recorded as written by it for a
// file of that name in the scope's Fonts folder, and the file still holding
// the very bytes it wrote. `digest` and `size`, when given, are the file's
// (the caller has read them already).
bool is_own_install(FontScope scope, const std::string& value_name, const std::string& path);
bool is_own_install(FontScope scope, const std::string& value_name, const std::string& path,
                    const Sha256Digest& digest, uint64_t size);

// Whether the program recorded installing exactly these bytes (in any
// scope, under any name): how a font the system has loaded is told to be
// the program's own when only its bytes can be read.
bool is_recorded_bytes(const Sha256Digest& digest, uint64_t size);

// Records an install the program has just made (and stores the records);
// false when the file could not be written (the record is kept in memory).
bool remember_install(InstallRecord record);

// Drops the record of a value that has just been deleted.
void forget_install(FontScope scope, const std::string& value_name);

// The program's own install of a face: the value face (blanks stripped) +
// " (TrueType)" of either key, when it is the program's own (is_own_install)
// and names the file recorded for it. Nothing when neither key holds such a
// value: a font of that face installed by anyone else is not the program's
// to take off.
struct OwnInstall {
    FontScope scope = FontScope::Machine;
    std::string value_name, path;
};
std::optional<OwnInstall> own_install_of_face(const std::string& face);

}  // namespace yq
