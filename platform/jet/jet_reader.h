// Reader for Access (Jet 4) database files without password.
//
// The page, table-definition, row and long-value layouts it reads are
// described in doc/formats/jet4.md. Every offset and count taken from the
// file is checked; damage gives a failed Status whose message describes it
// (for a message box), never a crash and never an endless walk.
//
//   auto db = yq::jet::Database::open(path);               // or open_memory(bytes)
//   if (!db) return db.status();
//   auto t = (*db)->open_table(u"dl");
//   if (!t) return t.status();
//   for ((*t)->move_first(); !(*t)->eof(); (*t)->move_next()) use((*t)->text(u"中文字体"));
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "base/status.h"

namespace yq::jet {

inline constexpr size_t kPageSize = 4096;
// Jet files end at 2 GiB; so do page numbers we follow.
inline constexpr uint32_t kMaxPages = 0x80000000u / kPageSize;
// Longest table definition chain we walk (a 255-column definition needs 3).
inline constexpr uint32_t kMaxTdefPages = 64;
// Column descriptors and index entries we accept in one table definition.
inline constexpr uint32_t kMaxColumns = 1024;
inline constexpr uint32_t kMaxIndexes = 1024;
// Long values carry a 24-bit length.
inline constexpr uint32_t kMaxLongValue = 0xFFFFFF;
// Segments of one chained long value (a 16 MiB value needs about 4,100).
inline constexpr uint32_t kMaxLongValueSegments = 65536;

// Column type codes as stored in the table definition.
enum ColumnTypeCode : uint8_t {
    kTypeBoolean = 0x01,
    kTypeByte = 0x02,
    kTypeInteger = 0x03,
    kTypeLong = 0x04,
    kTypeCurrency = 0x05,
    kTypeSingle = 0x06,
    kTypeDouble = 0x07,
    kTypeDateTime = 0x08,
    kTypeBinary = 0x09,
    kTypeText = 0x0A,
    kTypeOle = 0x0B,
    kTypeMemo = 0x0C,
    kTypeGuid = 0x0F,
    kTypeNumeric = 0x10,
};

struct Column {
    std::u16string name;
    uint8_t type = 0;           // ColumnTypeCode
    uint16_t number = 0;        // stable id: null-mask bit
    uint16_t var_index = 0;     // slot in the row's variable-offset table
    uint16_t fixed_offset = 0;  // position in the fixed area (fixed columns)
    uint16_t length = 0;        // bytes (Text: 2 x characters)
    uint8_t flags = 0;          // 0x01: fixed length
    bool fixed() const { return flags & 0x01; }
};

// One decoded value. Text and Memo give text (UTF-16 as stored), Binary and
// OLE give bytes, Byte/Integer/Long give integer, Boolean gives integer 0/1.
// Other types are reported as Other with no value.
struct Field {
    enum class Kind { Null, Text, Binary, Integer, Other };
    Kind kind = Kind::Null;
    std::u16string text;
    Bytes bytes;
    int64_t integer = 0;
};

struct Source;

class Table;

class Database {
  public:
    // Opens the file at path (a narrow path: GBK on Windows). Fails, with a
    // message naming the file, when it is missing (kNotFound), unreadable
    // (kReadFailed), not an Access database (kNotRecognised), of another
    // Jet version or encrypted (kUnsupported), or damaged (kCorrupt).
    static Result<std::unique_ptr<Database>> open(const std::string& path);
    // The same for a database image in memory.
    static Result<std::unique_ptr<Database>> open_memory(Bytes data);
    ~Database();

    // User tables (system and hidden tables left out), in catalogue order.
    const std::vector<std::u16string>& table_names() const { return tables_; }

    // Opens a user table by name (exact match first, then ASCII
    // case-insensitive). Indexes the row locations at once; rows are decoded
    // only when read. Fails when the table is missing (kNotFound) or its
    // definition or page map is damaged (kCorrupt).
    Result<std::unique_ptr<Table>> open_table(std::u16string_view name) const;

  private:
    Database() = default;
    static Result<std::unique_ptr<Database>> finish_open(std::shared_ptr<Source> src);
    struct Entry {
        std::u16string name;
        uint32_t tdef_page;
    };
    std::shared_ptr<Source> src_;
    std::vector<Entry> entries_;
    std::vector<std::u16string> tables_;
};

// A table opened for reading: its columns and a cursor over its rows in
// stored order. The table keeps the file open (it may outlive Database).
class Table {
  public:
    ~Table();
    const std::u16string& name() const { return name_; }
    // Columns in column-number order (the order readers print them).
    const std::vector<Column>& columns() const { return columns_; }
    // Index into columns() of the column with that name (exact, then ASCII
    // case-insensitive), or nullopt.
    std::optional<size_t> find_column(std::u16string_view name) const;
    // Row count stored in the table definition.
    uint32_t stored_row_count() const { return stored_rows_; }
    // Rows found by the scan: what the cursor walks.
    size_t record_count() const { return rows_.size(); }

    void move_first() { move_to(0); }
    void move_next() { move_to(pos_ + 1); }
    // Moves to row n (0-based); n >= record_count() leaves the cursor at end.
    void move_to(size_t n);
    bool eof() const { return pos_ >= rows_.size(); }
    size_t position() const { return pos_; }

    // Decodes one column of the current row. A kCorrupt failure when the row
    // or its long value is damaged; at the end of the table, or for a column
    // past columns(), out is Null and the read succeeds.
    Status read(size_t column, Field& out);
    // The column's text or bytes by name; empty for NULL, an unknown column,
    // the end of the table, another type or damage.
    std::u16string text(std::u16string_view column);
    Bytes bytes(std::u16string_view column);

  private:
    friend class Database;
    Table() = default;
    static Result<std::unique_ptr<Table>> load(const std::shared_ptr<Source>& src,
                                               uint32_t tdef_page, std::u16string name);
    struct RowView;
    bool read_field(size_t column, Field& out);
    bool load_row(RowView& row);
    bool read_long_value(ByteSpan header, bool as_text, Field& out);
    bool fail(const char* what);

    std::shared_ptr<Source> src_;
    std::u16string name_;
    uint32_t tdef_page_ = 0;
    uint32_t stored_rows_ = 0;
    bool has_var_columns_ = false;
    std::vector<Column> columns_;
    std::vector<uint32_t> rows_;  // page << 8 | slot, in scan order
    size_t pos_ = 0;
    Status error_;  // the last damage met while reading

    // The decoded location of the current row inside the cached page.
    std::unique_ptr<RowView> row_;
};

// Reads a Text or Memo payload (plain UTF-16LE, or "FF FE"-compressed).
std::u16string decode_text(ByteSpan stored);

}  // namespace yq::jet
