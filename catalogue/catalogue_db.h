// The catalogue database as the program uses it: one connection to
// ztdata.mdb and one record set over one table at a time. Texts are GBK.
// Built on the Jet 4 reader (platform/jet/jet_reader.h), which needs no
// database engine from the platform.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/bytes.h"

namespace yq {

namespace jet {
class Database;
class Table;
}  // namespace jet

class CatalogueDb {
  public:
    CatalogueDb();
    ~CatalogueDb();

    // Opens the catalogue file (a GBK path). False when it cannot be opened;
    // the reason is kept and given by every later open_table. Closes what
    // was open before.
    bool open(const std::string& path);
    // Closes the record set and the file, so that the file can be replaced.
    void close();
    bool is_open() const { return db_ != nullptr; }

    // Opens the record set on the table with this GBK name, positioned on
    // its first row; a table still open is closed first. Returns an empty
    // text on success, otherwise the description to show (the record set
    // then stays closed).
    std::string open_table(std::string_view name);
    void close_table();

    // Rows of the open table; -1 when no table is open.
    int32_t record_count() const;
    void move_first();
    void move_next();
    // Moves to row n counted from the first (0-based); outside the table the
    // record set is at its end.
    void move_to(int32_t n);

    // The column's text in GBK (a character GBK lacks becomes "?"), up to
    // its first U+0000, or its bytes. Empty for NULL, an unknown column, no
    // open table or a position past the last row.
    std::string read_text(std::string_view column);
    Bytes read_bytes(std::string_view column);

  private:
    std::unique_ptr<jet::Database> db_;
    std::unique_ptr<jet::Table> table_;
    std::string open_error_ = "\xCA\xFD\xBE\xDD\xBF\xE2\xC9\xD0\xCE\xB4\xB4\xF2\xBF\xAA\xA1\xA3";  // 数据库尚未打开。
};

}  // namespace yq
