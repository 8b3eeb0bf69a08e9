// An in-memory catalogue for the model tests: tables of rows, each row a map
// from column name to text and bytes, read through CatalogueRecords.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "catalogue/list_model.h"

namespace yq::test {

struct FakeRow {
    std::map<std::string, std::string> text;
    std::map<std::string, Bytes> bytes;
};

class FakeRecords : public CatalogueRecords {
  public:
    std::map<std::string, std::vector<FakeRow>> tables;
    std::vector<std::string> opened;  // every open_table call, in order
    int open_now = 0;                 // tables currently open (0 or 1)

    bool open_table(const std::string& table, std::string& error) override {
        opened.push_back(table);
        close_table();
        auto it = tables.find(table);
        if (it == tables.end()) {
            error = "no table " + table;
            return false;
        }
        current_ = &it->second;
        pos_ = 0;
        open_now = 1;
        return true;
    }
    int record_count() override { return current_ ? static_cast<int>(current_->size()) : -1; }
    void move_to(int row) override { pos_ = row; }
    void move_next() override { ++pos_; }
    std::string read_text(const std::string& column) override {
        const FakeRow* r = row();
        if (!r) return {};
        auto it = r->text.find(column);
        return it == r->text.end() ? std::string() : it->second;
    }
    Bytes read_bytes(const std::string& column) override {
        const FakeRow* r = row();
        if (!r) return {};
        auto it = r->bytes.find(column);
        return it == r->bytes.end() ? Bytes() : it->second;
    }
    void close_table() override {
        current_ = nullptr;
        open_now = 0;
    }

  private:
    const FakeRow* row() const {
        if (!current_ || pos_ < 0 || pos_ >= static_cast<int>(current_->size())) return nullptr;
        return &(*current_)[pos_];
    }
    const std::vector<FakeRow>* current_ = nullptr;
    int pos_ = 0;
};

// Kinds of the actions, in order, for compact comparisons.
inline std::vector<PageAction::Kind> kinds(const PageActions& actions) {
    std::vector<PageAction::Kind> k;
    for (const PageAction& a : actions) k.push_back(a.kind);
    return k;
}

// The DrawRow actions only.
inline std::vector<RowDrawing> row_drawings(const PageActions& actions) {
    std::vector<RowDrawing> rows;
    for (const PageAction& a : actions)
        if (a.kind == PageAction::Kind::DrawRow) rows.push_back(a.drawing);
    return rows;
}

// Texts of the actions of one kind.
inline std::vector<std::string> texts_of(const PageActions& actions, PageAction::Kind kind) {
    std::vector<std::string> t;
    for (const PageAction& a : actions)
        if (a.kind == kind) t.push_back(a.text);
    return t;
}

}  // namespace yq::test
