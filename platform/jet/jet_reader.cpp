// Jet 4 reader; layouts in doc/formats/jet4.md.
#include "platform/jet/jet_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "base/text.h"
#include "platform/jet/jet_format.h"

namespace yq::jet {

// The bytes of the file, from memory or read a page at a time.
struct Source {
    std::string label;  // how messages name the database
    uint32_t page_count = 0;
    Bytes memory;
    std::FILE* file = nullptr;
    long file_pos = -1;

    ~Source() {
        if (file) std::fclose(file);
    }

    // The page's bytes (into buf when read from the file), or an empty span
    // when the page lies past the end or cannot be read.
    ByteSpan page(uint32_t n, Bytes& buf) {
        if (n >= page_count) return {};
        if (!file) return ByteSpan(memory).subspan(size_t(n) * kPageSize, kPageSize);
        buf.resize(kPageSize);
        long at = long(n) * long(kPageSize);
        if (at != file_pos && std::fseek(file, at, SEEK_SET) != 0) {
            file_pos = -1;
            return {};
        }
        if (std::fread(buf.data(), 1, kPageSize, file) != kPageSize) {
            file_pos = -1;
            return {};
        }
        file_pos = at + long(kPageSize);
        return ByteSpan(buf);
    }

    Status damaged(const char* what) const {
        return Status(StatusCode::kCorrupt,
                      "The database " + label + " is damaged (" + what + ").");
    }
};

namespace {

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

// Pages in a file of that size; UINT32_MAX when the size is not a whole
// number of pages or beyond what Jet addresses.
uint32_t page_count_for(uint64_t size) {
    if (size % kPageSize != 0 || size / kPageSize > kMaxPages) return UINT32_MAX;
    return uint32_t(size / kPageSize);
}

bool ascii_iequal(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'A' && x <= u'Z') x = char16_t(x + 32);
        if (y >= u'A' && y <= u'Z') y = char16_t(y + 32);
        if (x != y) return false;
    }
    return true;
}

// Start and end of slot `slot` on a data page, or false when its offset
// table entry or the row span lies outside the page.
bool row_bounds(ByteSpan page, uint32_t slot, size_t& start, size_t& end, uint16_t& raw) {
    ByteReader r(page);
    r.seek(kDataRowCountAt);
    uint16_t count = r.u16le();
    if (!r.ok() || slot >= count || count > kMaxRowsPerPage) return false;
    size_t table_end = kDataSlotsAt + 2 * size_t(count);
    raw = load_u16le(page, kDataSlotsAt + 2 * slot);
    start = raw & kRowOffsetMask;
    end =
        slot == 0 ? kPageSize : (load_u16le(page, kDataSlotsAt + 2 * (slot - 1)) & kRowOffsetMask);
    return start >= table_end && start <= end && end <= kPageSize;
}

// The row a pointer names (page << 8 | row) on a data page.
ByteSpan pointed_row(Source& src, uint32_t ptr, Bytes& buf) {
    ByteSpan page = src.page(ptr >> 8, buf);
    if (page.empty() || page[0] != kPageData) return {};
    size_t start, end;
    uint16_t raw;
    if (!row_bounds(page, ptr & 0xFF, start, end, raw)) return {};
    return page.subspan(start, end - start);
}

// Pages named by a usage map row, ascending. False when the map is damaged.
bool usage_map_pages(Source& src, uint32_t ptr, std::vector<uint32_t>& out) {
    Bytes buf;
    ByteSpan map = pointed_row(src, ptr, buf);
    if (map.empty()) return false;
    Bytes copy(map.begin(), map.end());  // buf is reused for bitmap pages below
    ByteReader r(copy);
    uint8_t kind = r.u8();
    if (kind == kUsageMapInline) {
        uint32_t first = r.u32le();
        if (!r.ok()) return false;
        for (size_t i = 5; i < copy.size(); ++i) {
            for (int b = 0; b < 8; ++b) {
                if (!(copy[i] >> b & 1)) continue;
                uint64_t pg = uint64_t(first) + (i - 5) * 8 + b;
                if (pg >= src.page_count) return false;
                out.push_back(uint32_t(pg));
            }
        }
        return true;
    }
    if (kind != kUsageMapReference) return false;
    Bytes page_buf;
    for (size_t k = 0; 1 + 4 * k + 4 <= copy.size(); ++k) {
        uint32_t bitmap_page = load_u32le(copy, 1 + 4 * k);
        if (bitmap_page == 0) continue;
        ByteSpan bp = src.page(bitmap_page, page_buf);
        if (bp.empty() || bp[0] != kPageUsageBitmap) return false;
        for (size_t i = 4; i < kPageSize; ++i) {
            if (!bp[i]) continue;
            for (int b = 0; b < 8; ++b) {
                if (!(bp[i] >> b & 1)) continue;
                uint64_t pg = uint64_t(k) * kPagesPerBitmapPage + (i - 4) * 8 + b;
                if (pg >= src.page_count) return false;
                out.push_back(uint32_t(pg));
            }
        }
    }
    return true;
}

}  // namespace

std::u16string decode_text(ByteSpan s) {
    std::u16string out;
    if (s.size() >= 2 && s[0] == 0xFF && s[1] == 0xFE) {
        // Compressed: one byte per character until a 0x00 switches to
        // two-byte units; the next 0x00 at a unit boundary switches back.
        out.reserve(s.size());
        bool compressed = true;
        size_t i = 2;
        while (i < s.size()) {
            if (s[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                out.push_back(char16_t(s[i]));
                ++i;
            } else if (i + 1 < s.size()) {
                out.push_back(char16_t(load_u16le(s, i)));
                i += 2;
            } else {
                break;
            }
        }
        return out;
    }
    out.resize(s.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) out[i] = char16_t(load_u16le(s, 2 * i));
    return out;
}

// ---------------------------------------------------------------------------
// Table definition and row index

namespace {

struct Tdef {
    Bytes bytes;  // first page whole, then each continuation page from offset 8
    uint32_t rows = 0;
    uint16_t num_var_cols = 0;
    uint32_t owned_map = 0;
    std::vector<Column> columns;
};

// Reads and parses the definition chain starting at page. Empty on success,
// otherwise what is wrong.
const char* read_tdef(Source& src, uint32_t first, Tdef& t) {
    Bytes buf;
    uint32_t pg = first;
    for (uint32_t hops = 0; pg != 0; ++hops) {
        if (hops >= kMaxTdefPages) return "table definition chain too long";
        ByteSpan p = src.page(pg, buf);
        if (p.empty()) return "table definition page missing";
        if (p[0] != kPageTdef) return "table definition page has the wrong type";
        t.bytes.insert(t.bytes.end(), p.begin() + (hops == 0 ? 0 : kTdefContinuationAt), p.end());
        pg = load_u32le(p, kTdefNextPageAt);
    }
    ByteReader r(t.bytes);
    r.seek(kTdefRowCountAt);
    t.rows = r.u32le();
    r.seek(kTdefNumVarColsAt);
    t.num_var_cols = r.u16le();
    uint16_t num_cols = r.u16le();
    r.u32le();  // logical indexes
    uint32_t num_real_idx = r.u32le();
    t.owned_map = r.u32le();
    r.u32le();  // free-space map
    if (!r.ok()) return "table definition too short";
    if (num_cols > kMaxColumns || num_real_idx > kMaxIndexes) return "table definition counts";
    r.skip(kRealIndexStubSize * size_t(num_real_idx));
    t.columns.resize(num_cols);
    for (Column& c : t.columns) {
        size_t at = r.pos();
        ByteSpan d = r.bytes(kColumnDescriptorSize);
        if (!r.ok()) return "column descriptors truncated";
        (void)at;
        c.type = d[kColTypeAt];
        c.number = load_u16le(d, kColNumberAt);
        c.var_index = load_u16le(d, kColVarIndexAt);
        c.flags = d[kColFlagsAt];
        c.fixed_offset = load_u16le(d, kColFixedOffsetAt);
        c.length = load_u16le(d, kColLengthAt);
    }
    for (Column& c : t.columns) {
        uint16_t len = r.u16le();
        ByteSpan name = r.bytes(len);
        if (!r.ok()) return "column names truncated";
        c.name = decode_text(name);
    }
    std::stable_sort(t.columns.begin(), t.columns.end(),
                     [](const Column& a, const Column& b) { return a.number < b.number; });
    return nullptr;
}

}  // namespace

struct Table::RowView {
    size_t pos = SIZE_MAX;  // cursor position this view belongs to
    uint32_t page_no = UINT32_MAX;
    Bytes buf;
    ByteSpan page;
    ByteSpan row;
    uint16_t ncols = 0;
    size_t mask_at = 0;
    uint16_t nvar = 0;
    size_t var_limit = 0;  // variable data must end here
    Bytes lv_buf;
};

Table::~Table() = default;

std::optional<size_t> Table::find_column(std::u16string_view name) const {
    for (size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].name == name) return i;
    for (size_t i = 0; i < columns_.size(); ++i)
        if (ascii_iequal(columns_[i].name, name)) return i;
    return std::nullopt;
}

void Table::move_to(size_t n) {
    pos_ = std::min(n, rows_.size());
}

bool Table::fail(const char* what) {
    error_ = src_->damaged(what);
    return false;
}

bool Table::load_row(RowView& v) {
    uint32_t ptr = rows_[pos_];
    uint32_t page_no = ptr >> 8;
    v.pos = SIZE_MAX;
    if (v.page_no != page_no || v.page.empty()) {
        v.page_no = UINT32_MAX;
        v.page = src_->page(page_no, v.buf);
        if (v.page.empty()) return fail("data page missing");
        v.page_no = page_no;
    }
    size_t start, end;
    uint16_t raw;
    if (!row_bounds(v.page, ptr & 0xFF, start, end, raw))
        return fail("row offsets outside the page");
    v.row = v.page.subspan(start, end - start);
    if (v.row.size() < 2) return fail("row too short");
    v.ncols = load_u16le(v.row, 0);
    size_t mask_len = (size_t(v.ncols) + 7) / 8;
    if (v.row.size() < 2 + mask_len) return fail("row null mask outside the row");
    v.mask_at = v.row.size() - mask_len;
    v.nvar = 0;
    v.var_limit = v.mask_at;
    if (has_var_columns_) {
        if (v.mask_at < 4) return fail("row variable count outside the row");
        v.nvar = load_u16le(v.row, v.mask_at - 2);
        size_t table_len = 2 + 2 * (size_t(v.nvar) + 1);
        if (v.mask_at < 2 + table_len) return fail("row offset table outside the row");
        v.var_limit = v.mask_at - table_len;
    }
    v.pos = pos_;
    return true;
}

bool Table::read_long_value(ByteSpan h, bool as_text, Field& out) {
    if (h.size() < kLongValueHeaderSize) return fail("long value header too short");
    uint32_t word = load_u32le(h, 0);
    uint32_t len = word & kMaxLongValue;
    uint8_t kind = uint8_t(word >> 24);
    ByteSpan payload;
    Bytes joined;
    if (kind == kLongValueInline) {
        if (kLongValueHeaderSize + size_t(len) > h.size()) return fail("inline long value length");
        payload = h.subspan(kLongValueHeaderSize, len);
    } else if (kind == kLongValueSingle) {
        ByteSpan r = pointed_row(*src_, load_u32le(h, 4), row_->lv_buf);
        if (r.empty() && len != 0) return fail("long value page missing");
        if (r.size() < len) return fail("long value shorter than its length");
        payload = r.subspan(0, len);
    } else if (kind == kLongValueChain) {
        joined.reserve(len);
        uint32_t ptr = load_u32le(h, 4);
        std::unordered_set<uint32_t> seen;
        while (ptr != 0) {
            if (seen.size() >= kMaxLongValueSegments || !seen.insert(ptr).second)
                return fail("long value chain loops");
            ByteSpan r = pointed_row(*src_, ptr, row_->lv_buf);
            if (r.size() < 4) return fail("long value segment missing");
            ByteSpan data = r.subspan(4);
            if (data.size() > len - joined.size())
                return fail("long value chain longer than its length");
            joined.insert(joined.end(), data.begin(), data.end());
            ptr = load_u32le(r, 0);
        }
        if (joined.size() != len) return fail("long value chain shorter than its length");
        payload = joined;
    } else {
        return fail("unknown long value kind");
    }
    if (as_text) {
        out.kind = Field::Kind::Text;
        out.text = decode_text(payload);
    } else {
        out.kind = Field::Kind::Binary;
        if (joined.size() == payload.size() && !joined.empty())
            out.bytes = std::move(joined);
        else
            out.bytes.assign(payload.begin(), payload.end());
    }
    return true;
}

Status Table::read(size_t column, Field& out) {
    if (read_field(column, out)) return Status();
    return error_;
}

bool Table::read_field(size_t column, Field& out) {
    out = Field{};
    if (eof() || column >= columns_.size()) return true;
    if (!row_) row_ = std::make_unique<RowView>();
    RowView& v = *row_;
    if (v.pos != pos_ && !load_row(v)) return false;
    const Column& c = columns_[column];
    if (c.number >= v.ncols) return true;
    bool bit = v.row[v.mask_at + c.number / 8] >> (c.number % 8) & 1;
    if (c.type == kTypeBoolean) {
        out.kind = Field::Kind::Integer;
        out.integer = bit;
        return true;
    }
    if (!bit) return true;
    if (c.fixed()) {
        size_t at = 2 + size_t(c.fixed_offset);
        size_t need = c.length;
        if (at + need > v.mask_at) return fail("fixed column outside the row");
        ByteSpan d = v.row.subspan(at, need);
        switch (c.type) {
            case kTypeByte:
                if (need < 1) return fail("fixed column length");
                out.kind = Field::Kind::Integer;
                out.integer = d[0];
                return true;
            case kTypeInteger:
                if (need < 2) return fail("fixed column length");
                out.kind = Field::Kind::Integer;
                out.integer = int16_t(load_u16le(d, 0));
                return true;
            case kTypeLong:
                if (need < 4) return fail("fixed column length");
                out.kind = Field::Kind::Integer;
                out.integer = int32_t(load_u32le(d, 0));
                return true;
            default:
                out.kind = Field::Kind::Other;
                return true;
        }
    }
    if (!has_var_columns_ || c.var_index >= v.nvar) return true;
    // Offset entry i sits 2 * i bytes before the variable count.
    size_t entry = v.mask_at - 4 - 2 * size_t(c.var_index);
    size_t start = load_u16le(v.row, entry);
    size_t end = load_u16le(v.row, entry - 2);
    if (start < 2 || start > end || end > v.var_limit)
        return fail("variable column outside the row");
    ByteSpan d = v.row.subspan(start, end - start);
    switch (c.type) {
        case kTypeText:
            out.kind = Field::Kind::Text;
            out.text = decode_text(d);
            return true;
        case kTypeBinary:
            out.kind = Field::Kind::Binary;
            out.bytes.assign(d.begin(), d.end());
            return true;
        case kTypeMemo:
        case kTypeOle:
            return read_long_value(d, c.type == kTypeMemo, out);
        default:
            out.kind = Field::Kind::Other;
            return true;
    }
}

std::u16string Table::text(std::u16string_view column) {
    std::optional<size_t> i = find_column(column);
    Field f;
    if (!i || !read_field(*i, f) || f.kind != Field::Kind::Text) return {};
    return std::move(f.text);
}

Bytes Table::bytes(std::u16string_view column) {
    std::optional<size_t> i = find_column(column);
    Field f;
    if (!i || !read_field(*i, f) || f.kind != Field::Kind::Binary) return {};
    return std::move(f.bytes);
}

// ---------------------------------------------------------------------------
// Database

Database::~Database() = default;

Result<std::unique_ptr<Database>> Database::open(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (errno == ENOENT)
            return Status(StatusCode::kNotFound, "Could not find file " + quoted(path) + ".");
        return Status(StatusCode::kReadFailed, "Cannot open file " + quoted(path) + ".");
    }
    auto src = std::make_shared<Source>();
    src->file = f;
    src->label = quoted(path);
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) {
        return Status(StatusCode::kReadFailed, "Cannot read file " + quoted(path) + ".");
    }
    // Enough to tell a Jet file from anything else, even when it is short.
    Bytes head(std::min<size_t>(size_t(size), kPageSize));
    if (std::fread(head.data(), 1, head.size(), f) != head.size()) {
        return Status(StatusCode::kReadFailed, "Cannot read file " + quoted(path) + ".");
    }
    src->file_pos = -1;
    src->memory = std::move(head);  // checked by finish_open, then dropped
    src->page_count = page_count_for(uint64_t(size));
    return finish_open(std::move(src));
}

Result<std::unique_ptr<Database>> Database::open_memory(Bytes data) {
    auto src = std::make_shared<Source>();
    src->label = "in memory";
    src->page_count = page_count_for(data.size());
    src->memory = std::move(data);
    return finish_open(std::move(src));
}

Result<std::unique_ptr<Database>> Database::finish_open(std::shared_ptr<Source> src) {
    const Bytes& head = src->memory;
    static const char kMagic[] = "Standard Jet DB";
    if (head.size() < kHeaderVersionAt + 1 || head[0] != 0 ||
        std::memcmp(head.data() + kHeaderMagicAt, kMagic, sizeof kMagic) != 0) {
        return Status(StatusCode::kNotRecognised,
                      "The file " + src->label + " is not an Access database.");
    }
    if (head[kHeaderVersionAt] != kJet4Version) {
        return Status(StatusCode::kUnsupported,
                      "The file " + src->label +
                          " is not in the Access 2000-2003 (Jet 4) format this program reads.");
    }
    if (src->page_count == UINT32_MAX || src->page_count < 3 || head.size() < kPageSize) {
        return src->damaged("the file is truncated");
    }
    uint8_t masked[kHeaderMaskLen];
    std::memcpy(masked, head.data() + kHeaderMaskAt, kHeaderMaskLen);
    apply_header_mask(masked);
    if (load_u32le(ByteSpan(masked), kHeaderDbKeyAt - kHeaderMaskAt) != 0) {
        return Status(StatusCode::kUnsupported,
                      "The database " + src->label + " is encrypted and cannot be read.");
    }
    if (src->file) src->memory = Bytes();  // later pages come from the file

    std::unique_ptr<Database> db(new Database());
    db->src_ = src;
    Result<std::unique_ptr<Table>> loaded = Table::load(src, kCatalogueTdefPage, u"MSysObjects");
    if (!loaded) return loaded.status();
    std::unique_ptr<Table> cat = std::move(loaded).value();
    std::optional<size_t> id = cat->find_column(u"Id"), name = cat->find_column(u"Name");
    std::optional<size_t> type = cat->find_column(u"Type"), flags = cat->find_column(u"Flags");
    if (!id || !name || !type || !flags) {
        return src->damaged("the system catalogue lacks a column");
    }
    Field f;
    for (cat->move_first(); !cat->eof(); cat->move_next()) {
        int64_t v[3];
        const size_t cols[3] = {*id, *type, *flags};
        for (int k = 0; k < 3; ++k) {
            if (Status read = cat->read(cols[k], f); !read.ok()) return read;
            v[k] = f.kind == Field::Kind::Integer ? f.integer : 0;
        }
        if (Status read = cat->read(*name, f); !read.ok()) return read;
        if ((v[1] & 0x7F) != kObjectTable) continue;
        uint32_t page = uint32_t(v[0]) & 0xFFFFFF;
        db->entries_.push_back({f.text, page});
        if ((uint32_t(v[2]) & kSystemObjectFlags) == 0) db->tables_.push_back(f.text);
    }
    return db;
}

Result<std::unique_ptr<Table>> Database::open_table(std::u16string_view name) const {
    const Entry* found = nullptr;
    for (const Entry& e : entries_)
        if (e.name == name) found = found ? found : &e;
    if (!found)
        for (const Entry& e : entries_)
            if (ascii_iequal(e.name, name)) found = found ? found : &e;
    if (!found) {
        return Status(StatusCode::kNotFound, "Cannot find the table '" + utf16_to_gbk(name) +
                                                 "' in the database " + src_->label + ".");
    }
    return Table::load(src_, found->tdef_page, found->name);
}

// Opens the table whose definition starts at tdef_page; a kCorrupt failure
// when its definition or page map is damaged.
Result<std::unique_ptr<Table>> Table::load(const std::shared_ptr<Source>& src, uint32_t tdef_page,
                                           std::u16string name) {
    Tdef t;
    if (const char* what = read_tdef(*src, tdef_page, t)) {
        return src->damaged(what);
    }
    std::vector<uint32_t> pages;
    if (!usage_map_pages(*src, t.owned_map, pages)) {
        return src->damaged("table page map");
    }
    std::unique_ptr<Table> table(new Table());
    table->src_ = src;
    table->name_ = std::move(name);
    table->tdef_page_ = tdef_page;
    table->stored_rows_ = t.rows;
    table->has_var_columns_ = t.num_var_cols > 0;
    table->columns_ = std::move(t.columns);
    table->rows_.reserve(t.rows < (1u << 24) ? t.rows : 0);
    Bytes buf;
    for (uint32_t pg : pages) {
        ByteSpan p = src->page(pg, buf);
        if (p.empty()) {
            return src->damaged("data page missing");
        }
        // Pages of other owners are not this table's rows; the other readers
        // skip them as well.
        if (p[0] != kPageData || load_u32le(p, kDataOwnerAt) != tdef_page) continue;
        uint16_t count = load_u16le(p, kDataRowCountAt);
        if (count > kMaxRowsPerPage) {
            return src->damaged("row count of a data page");
        }
        for (uint32_t s = 0; s < count; ++s) {
            uint16_t raw = load_u16le(p, kDataSlotsAt + 2 * s);
            if (raw & kRowDeletedOrMoved) continue;
            table->rows_.push_back(pg << 8 | s);
        }
    }
    return table;
}

}  // namespace yq::jet
