#include "catalogue/catalogue_db.h"

#include <cstdio>

#include "base/text.h"
#include "platform/jet/jet_reader.h"

namespace yq {

CatalogueDb::CatalogueDb() = default;
CatalogueDb::~CatalogueDb() = default;

// Messages are shown to the user in a message box: Chinese, with the
// reader's own description after them where it says more.
bool CatalogueDb::open(const std::string& path) {
    close();
    Result<std::unique_ptr<jet::Database>> opened = jet::Database::open(path);
    if (opened) db_ = std::move(opened).value();
    if (!db_) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (f) std::fclose(f);
        open_error_ = f ? "\xCE\xDE\xB7\xA8\xB4\xF2\xBF\xAA\xCA\xFD\xBE\xDD\xBF\xE2 '" +
                              path + "'\xA1\xA3\r\n" +
                              opened.status().message()  // 无法打开数据库 '…'。
                        : "\xD5\xD2\xB2\xBB\xB5\xBD\xCE\xC4\xBC\xFE '" + path +
                              "'\xA1\xA3";  // 找不到文件 '…'。
    }
    return db_ != nullptr;
}

void CatalogueDb::close() {
    table_.reset();
    db_.reset();
    open_error_ = "\xCA\xFD\xBE\xDD\xBF\xE2\xC9\xD0\xCE\xB4\xB4\xF2\xBF\xAA\xA1\xA3";  // 数据库尚未打开。
}

std::string CatalogueDb::open_table(std::string_view name) {
    table_.reset();
    if (!db_) return open_error_;
    std::u16string wide = gbk_to_utf16(name);
    Result<std::unique_ptr<jet::Table>> opened = db_->open_table(wide);
    if (opened) {
        table_ = std::move(opened).value();
        return std::string();
    }
    bool listed = false;
    for (const std::u16string& t : db_->table_names()) listed = listed || t == wide;
    if (!listed) {
        // 找不到表 '…'。
        return "\xD5\xD2\xB2\xBB\xB5\xBD\xB1\xED '" + std::string(name) + "'\xA1\xA3";
    }
    // 无法读取表 '…'。
    return "\xCE\xDE\xB7\xA8\xB6\xC1\xC8\xA1\xB1\xED '" + std::string(name) + "'\xA1\xA3\r\n" +
           opened.status().message();
}

void CatalogueDb::close_table() {
    table_.reset();
}

int32_t CatalogueDb::record_count() const {
    if (!table_) return -1;
    size_t n = table_->record_count();
    return n > size_t(INT32_MAX) ? INT32_MAX : int32_t(n);
}

void CatalogueDb::move_first() {
    if (table_) table_->move_first();
}

void CatalogueDb::move_next() {
    if (table_) table_->move_next();
}

void CatalogueDb::move_to(int32_t n) {
    if (table_) table_->move_to(n < 0 ? table_->record_count() : size_t(n));
}

std::string CatalogueDb::read_text(std::string_view column) {
    if (!table_) return {};
    std::u16string text = table_->text(gbk_to_utf16(column));
    // Texts end at a NUL, here as everywhere in the program: a name holding
    // one must not look like one text to one step and another to the next.
    text.resize(std::char_traits<char16_t>::length(text.c_str()));
    return utf16_to_gbk(text);
}

Bytes CatalogueDb::read_bytes(std::string_view column) {
    if (!table_) return {};
    return table_->bytes(gbk_to_utf16(column));
}

}  // namespace yq
