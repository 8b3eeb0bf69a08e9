// Writer of Access (Jet 4) database files: the catalogue builder makes the
// program's catalogue with it. The layout mirrors a fresh file made by the
// Jet engine (header, free-page map, the four system tables, usage maps,
// catalogue rows), then each table: its definition, its data pages, its
// long-value pages. Field tables: doc/formats/jet4.md.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "base/bytes.h"
#include "base/status.h"

namespace yq::jet {

enum class ColumnType { Text, Memo, LongBinary };
struct ColumnDef {
    std::u16string name;
    ColumnType type;
};
using Value = std::variant<std::monostate, std::u16string, Bytes>;  // monostate = NULL
struct TableDef {
    std::u16string name;
    std::vector<ColumnDef> columns;
    std::vector<std::vector<Value>> rows;
};

// Limits of what write_database accepts (beyond them it reports an error).
inline constexpr size_t kMaxNameLength = 64;  // table and column names, UTF-16 units
inline constexpr size_t kMaxTableColumns = 255;
inline constexpr size_t kMaxTextLength = 255;           // Text values, UTF-16 units
inline constexpr size_t kMaxLongValueBytes = 0xFFFFFF;  // Memo (as stored) and Long Binary
inline constexpr size_t kMaxRowSize = 4060;             // one stored row, long values outside
inline constexpr size_t kInlineLongValueMax = 64;       // shorter long values stay in the row

// Writes a new Jet 4 file at path (replacing any file there). Fails with a
// description of what went wrong: tables that break the rules below
// (kInvalidArgument; nothing is written), a database past 2 GiB
// (kTooLarge), a file that cannot be created or written (kWriteFailed). A
// failed write leaves no file behind. Text values go in as given (UTF-16);
// a Text or Memo value may not start with U+FEFF (it would read back as the
// compression marker), Text values hold at most 255 units, long values at
// most 16 MiB - 1 bytes; a Text value must be a u16string and a Long Binary
// value Bytes (or NULL).
Status write_database(const std::string& path, const std::vector<TableDef>& tables);

}  // namespace yq::jet
