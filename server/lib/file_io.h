// Whole-file reads and writes for the server and the builder.
#pragma once

#include <optional>
#include <string>

#include "base/bytes.h"

namespace yq::server {

// Largest file read whole into memory.
inline constexpr size_t kMaxWholeFileBytes = size_t{1} << 30;

// The bytes of a regular file, or nullopt (missing, unreadable, not a
// regular file, or larger than kMaxWholeFileBytes). *error says why.
std::optional<Bytes> read_file(const std::string& path, std::string* error = nullptr);

// Writes to a temporary file beside `path` and renames it over `path`, so a
// reader never sees half a file. "" on success, else a description.
std::string write_file_atomically(const std::string& path, ByteSpan data);

}  // namespace yq::server
