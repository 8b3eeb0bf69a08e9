#include "catalogue/catalogue_db.h"

#include "base/text.h"
#include "platform/jet/jet_reader.h"

namespace yq {

CatalogueDb::CatalogueDb() = default;
CatalogueDb::~CatalogueDb() = default;

bool CatalogueDb::open(const std::string& path) {
    close();
    std::string err;
    db_ = jet::Database::open(path, &err);
    if (!db_) open_error_ = err;
    return db_ != nullptr;
}

void CatalogueDb::close() {
    table_.reset();
    db_.reset();
    open_error_ = "The catalogue database is not open.";
}

std::string CatalogueDb::open_table(std::string_view name) {
    table_.reset();
    if (!db_) return open_error_;
    std::string err;
    table_ = db_->open_table(gbk_to_utf16(name), &err);
    return table_ ? std::string() : err;
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
    return utf16_to_gbk(table_->text(gbk_to_utf16(column)));
}

Bytes CatalogueDb::read_bytes(std::string_view column) {
    if (!table_) return {};
    return table_->bytes(gbk_to_utf16(column));
}

}  // namespace yq
