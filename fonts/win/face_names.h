// Face names of font files, remembered per file path together with the
// file's size and last-write time, so that a file unchanged since its name
// was read is not opened again: opening a file costs far more than asking
// for its attributes (under Wine about 35 us against 6 us), and every
// rebuild of the inventory and every listing of a font folder asks for
// thousands of names. Kept between runs in a store file. Any thread.
//
// This is the fonts subsystem's interface for the lists of font files
// kept in the program's own folders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sfnt/licence.h"
#include "platform/sfnt/coverage.h"

namespace yq {

// Face name of a font file (bare names resolved as listing_face_name does),
// from the cache when the file is unchanged since it was last read.
std::string cached_face_name(std::string& path);

// A file as a directory listing gives it.
struct ListedFile {
    std::string path;  // absolute
    uint64_t size = 0;
    uint64_t write_time = 0;  // FILETIME
};

// The face name of each listed file ("" for a file that is not a readable
// font), from the cache where size and time match; the others are read, on
// two threads when there are many. When any was read, the store file is
// written again.
std::vector<std::string> listed_face_names(const std::vector<ListedFile>& files);

// The same for paths, bare names resolved in place: the fonts registry
// key's values, whose sizes and times are asked for here.
std::vector<std::string> face_names_of(std::vector<std::string>& paths);

// Remembers that the file at `path` (absolute), as it is now, holds the
// face `face`: a copy of a font whose name is known (a backup) is then not
// opened when its folder is listed. The store is written by the next
// listing.
void remember_face_name(const std::string& path, const std::string& face);
// The same for a file whose size and write time (FILETIME) the caller knows,
// having just written it: the file is not asked for them again.
void remember_face_name(const std::string& path, const std::string& face, uint64_t size,
                        uint64_t write_time);

// How much Chinese the font file at `path` (absolute) covers: counted from
// its cmap the first time, then remembered with its face name for as long
// as the file is unchanged, in the store file too. Not ok for a file that
// cannot be read.
sfnt::HanziCoverage cached_hanzi_coverage(const std::string& path);

// The licence class and first licence line of the font file at `path`
// (absolute): read with its face name, out of the same read of its name
// table, and remembered with it for as long as the file is unchanged, in the
// store file too. An entry of an older store, which has none, is read once
// when first asked for. Unknown with no line for a file that cannot be read.
LicenceSummary cached_face_licence(const std::string& path);

// Forgets every remembered face name (tests and benchmarks); a stored cache
// is read again by the next lookup, as in a new process.
void clear_face_name_cache();

// Keeps the remembered face names in the file at `path` between runs, so the
// first rebuild of a process opens only new or changed fonts: read by the
// first lookup, written again after one that had to read a font file. A
// damaged or foreign file is ignored and replaced. "" (the default) keeps
// them in memory only.
void set_face_cache_file(const std::string& path);

}  // namespace yq
