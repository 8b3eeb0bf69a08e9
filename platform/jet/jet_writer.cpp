// Jet 4 writer; layouts in doc/formats/jet4.md.
#include "platform/jet/jet_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <memory>

#include "base/text.h"
#include "platform/jet/jet_format.h"
#include "platform/jet/jet_reader.h"

namespace yq::jet {

// A date is stored as the 8 bytes of a little-endian IEEE double, copied
// as it is held: the same on x86_64 and i686 (both little-endian IEEE).
static_assert(sizeof(double) == 8 && std::numeric_limits<double>::is_iec559 &&
                  std::endian::native == std::endian::little,
              "Jet dates are the bytes of a little-endian IEEE double");
namespace {

constexpr uint32_t kUsageMapPage = 6;   // first page of usage-map rows, as Jet lays it out
constexpr size_t kPlainMapBitmap = 64;  // bitmap bytes of a usage-map row (512 pages)
// A data page map row must fit on one page: 5 header bytes + bitmap.
constexpr size_t kMaxMapBitmap = kEmptyPageFree - 2 - 5;
constexpr uint32_t kMaxDataPagesPerTable = uint32_t(kMaxMapBitmap * 8);
constexpr size_t kMaxLvalRow = 4076;  // Access's largest long-value row: 4-byte link + 4072 bytes
constexpr size_t kChainSegmentData = kMaxLvalRow - 4;

constexpr uint32_t kIdTables = 0x0F000001, kIdRoot = 0x0F000000, kIdDatabases = 0x0F000002;
constexpr uint32_t kFlagSystem = 0x80000000u;
constexpr uint8_t kColFixed = 0x13, kColVariable = 0x12, kColSid = 0x32;  // system columns
constexpr uint8_t kUserColVariable = 0x02, kExtraCompressible = 0x01;
constexpr uint16_t kSortGeneral = 0x0409;

void put16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void append16(Bytes& b, uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void append32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void append_utf16(Bytes& b, std::u16string_view s) {
    for (char16_t c : s) append16(b, uint16_t(c));
}

// One column of a table definition.
struct ColumnLayout {
    std::u16string name;
    uint8_t type;
    uint16_t var_index;
    uint16_t fixed_offset;
    uint16_t length;
    uint8_t flags;
    uint8_t extra = 0;
    bool user = false;  // user tables repeat the column number; Jet's own tables write 0
    bool fixed() const { return flags & 0x01; }
};

struct LvMaps {
    uint16_t column;
    uint32_t used, free;
};

struct TdefInfo {
    uint8_t table_type;
    uint32_t rows;
    const std::vector<ColumnLayout>* cols;
    uint32_t owned_map, free_map;
    std::vector<LvMaps> lv;
};

// The definition as one buffer (first page whole, continuation bytes after).
Bytes build_tdef(const TdefInfo& t) {
    Bytes b(kTdefHeaderSize, 0);
    b[0] = kPageTdef;
    b[1] = 0x01;
    put32(&b[kTdefMagicAt], kTdefMagic);
    put32(&b[kTdefRowCountAt], t.rows);
    b[kTdefAutonumberFlagAt] = 1;
    b[kTdefTableTypeAt] = t.table_type;
    const std::vector<ColumnLayout>& cols = *t.cols;
    uint16_t nvar = 0;
    for (const ColumnLayout& c : cols) nvar += !c.fixed();
    put16(&b[kTdefMaxColsAt], uint16_t(cols.size()));
    put16(&b[kTdefNumVarColsAt], nvar);
    put16(&b[kTdefNumColsAt], uint16_t(cols.size()));
    put32(&b[kTdefOwnedMapAt], t.owned_map);
    put32(&b[kTdefFreeMapAt], t.free_map);
    for (size_t i = 0; i < cols.size(); ++i) {
        const ColumnLayout& c = cols[i];
        uint8_t d[kColumnDescriptorSize] = {};
        d[kColTypeAt] = c.type;
        put32(d + kColMagicAt, kTdefMagic);
        put16(d + kColNumberAt, uint16_t(i));
        put16(d + kColVarIndexAt, c.var_index);
        put16(d + kColNumber2At, c.user ? uint16_t(i) : 0);
        bool textual = c.type == kTypeText || c.type == kTypeMemo;
        if (!c.user || textual) put16(d + kColSortOrderAt, kSortGeneral);
        d[kColFlagsAt] = c.flags;
        d[kColExtraFlagsAt] = c.extra;
        put16(d + kColFixedOffsetAt, c.fixed_offset);
        put16(d + kColLengthAt, c.length);
        b.insert(b.end(), d, d + kColumnDescriptorSize);
    }
    for (const ColumnLayout& c : cols) {
        append16(b, uint16_t(c.name.size() * 2));
        append_utf16(b, c.name);
    }
    for (const LvMaps& m : t.lv) {
        append16(b, m.column);
        append32(b, m.used);
        append32(b, m.free);
    }
    append16(b, 0xFFFF);
    put32(&b[kTdefLengthAt], uint32_t(b.size()));
    return b;
}

size_t tdef_pages(size_t len) {
    const size_t more = kPageSize - kTdefContinuationAt;
    return len <= kPageSize ? 1 : 1 + (len - kPageSize + more - 1) / more;
}

// Cuts a definition into pages first, first + 1, ...
std::vector<Bytes> split_tdef(const Bytes& t, uint32_t first) {
    std::vector<Bytes> pages;
    size_t n = tdef_pages(t.size()), at = 0;
    for (size_t i = 0; i < n; ++i) {
        Bytes p(kPageSize, 0);
        size_t head = i == 0 ? 0 : kTdefContinuationAt;
        size_t take = std::min(kPageSize - head, t.size() - at);
        std::memcpy(&p[head], &t[at], take);
        at += take;
        p[0] = kPageTdef;
        p[1] = 0x01;
        long free = long(kPageSize) - 8 - long(head + take);
        put16(&p[kTdefFreeAt], uint16_t(std::max(0L, free)));
        put32(&p[kTdefNextPageAt], i + 1 < n ? uint32_t(first + i + 1) : 0);
        pages.push_back(std::move(p));
    }
    return pages;
}

// A data page being filled from the end downwards.
class DataPage {
  public:
    explicit DataPage(const uint8_t owner[4]) : p_(kPageSize, 0) {
        p_[0] = kPageData;
        p_[1] = 0x01;
        std::memcpy(&p_[kDataOwnerAt], owner, 4);
        update_free();
    }
    static bool fits_empty(size_t len) { return len + 2 <= kEmptyPageFree; }
    bool fits(size_t len) const { return n_ < kMaxRowsPerPage && len + 2 <= free(); }
    uint8_t add(ByteSpan row) {
        low_ -= row.size();
        std::memcpy(&p_[low_], row.data(), row.size());
        put16(&p_[kDataSlotsAt + 2 * n_], uint16_t(low_));
        ++n_;
        put16(&p_[kDataRowCountAt], n_);
        update_free();
        return uint8_t(n_ - 1);
    }
    bool empty() const { return n_ == 0; }
    uint16_t rows() const { return n_; }
    const Bytes& bytes() const { return p_; }

  private:
    size_t free() const { return low_ - kDataSlotsAt - 2 * size_t(n_); }
    void update_free() { put16(&p_[kDataFreeSpaceAt], uint16_t(free())); }
    Bytes p_;
    uint16_t n_ = 0;
    size_t low_ = kPageSize;
};

// Slot of each row when rows of these sizes are packed page after page.
std::vector<uint32_t> pack(const std::vector<size_t>& sizes, uint32_t& pages) {
    std::vector<uint32_t> page_of(sizes.size());
    size_t free = 0, count = kMaxRowsPerPage;
    pages = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
        if (count >= kMaxRowsPerPage || sizes[i] + 2 > free) {
            ++pages;
            free = kEmptyPageFree;
            count = 0;
        }
        free -= sizes[i] + 2;
        ++count;
        page_of[i] = pages - 1;
    }
    return page_of;
}

// A value of a row as stored: present or NULL, and its bytes (fixed-column
// bytes, or the variable-column bytes with any long-value header).
struct Cell {
    bool present = false;
    ByteSpan data;
};

size_t row_size(const std::vector<ColumnLayout>& cols, size_t fixed_size, size_t var_bytes) {
    size_t nvar = 0;
    for (const ColumnLayout& c : cols) nvar += !c.fixed();
    size_t size = 2 + fixed_size + (cols.size() + 7) / 8;
    if (nvar) size += var_bytes + 2 + 2 * nvar + 2;
    return size;
}

Bytes encode_row(const std::vector<ColumnLayout>& cols, size_t fixed_size,
                 const std::vector<Cell>& cells) {
    size_t nvar = 0;
    for (const ColumnLayout& c : cols) nvar += !c.fixed();
    Bytes r(2 + fixed_size, 0);
    put16(&r[0], uint16_t(cols.size()));
    for (size_t i = 0; i < cols.size(); ++i)
        if (cols[i].fixed() && cells[i].present && cols[i].type != kTypeBoolean)
            std::memcpy(&r[2 + cols[i].fixed_offset], cells[i].data.data(), cells[i].data.size());
    if (nvar) {
        std::vector<uint16_t> offsets(nvar + 1);
        std::vector<const Cell*> by_slot(nvar, nullptr);
        for (size_t i = 0; i < cols.size(); ++i)
            if (!cols[i].fixed()) by_slot[cols[i].var_index] = &cells[i];
        for (size_t k = 0; k < nvar; ++k) {
            offsets[k] = uint16_t(r.size());
            if (by_slot[k] && by_slot[k]->present)
                r.insert(r.end(), by_slot[k]->data.begin(), by_slot[k]->data.end());
        }
        offsets[nvar] = uint16_t(r.size());
        for (size_t k = nvar + 1; k-- > 0;) append16(r, offsets[k]);
        append16(r, uint16_t(nvar));
    }
    size_t mask_at = r.size();
    r.resize(mask_at + (cols.size() + 7) / 8, 0);
    for (size_t i = 0; i < cols.size(); ++i)
        if (cells[i].present) r[mask_at + i / 8] |= uint8_t(1 << (i % 8));
    return r;
}

// Text as stored: one byte per character after FF FE when every character
// fits in a byte (and that saves space), otherwise plain UTF-16LE.
Bytes encode_text(std::u16string_view s) {
    bool small = s.size() > 2;
    for (char16_t c : s) small = small && c >= 0x01 && c <= 0xFF;
    Bytes b;
    if (small) {
        b.reserve(2 + s.size());
        b.push_back(0xFF);
        b.push_back(0xFE);
        for (char16_t c : s) b.push_back(uint8_t(c));
    } else {
        b.reserve(2 * s.size());
        append_utf16(b, s);
    }
    return b;
}

// A usage-map row: type 0, a start page and a bitmap of at least
// `bitmap_bytes` bytes marking pages [first, first + count).
Bytes usage_map(uint32_t first, uint32_t count, size_t bitmap_bytes) {
    Bytes m(5 + bitmap_bytes, 0);
    uint32_t start = first + count <= bitmap_bytes * 8 ? 0 : first;
    put32(&m[1], count ? start : 0);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t bit = first - start + i;
        m[5 + bit / 8] |= uint8_t(1 << (bit % 8));
    }
    return m;
}

size_t map_bitmap_bytes(uint32_t pages) {
    return std::max(kPlainMapBitmap, (size_t(pages) + 7) / 8);
}

// Jet's own system tables, as a fresh Jet file defines them.
std::vector<ColumnLayout> catalogue_columns() {
    auto fixed = [](const char16_t* n, uint8_t t, uint16_t off, uint16_t len) {
        return ColumnLayout{n, t, 0, off, len, kColFixed};
    };
    auto var = [](const char16_t* n, uint8_t t, uint16_t idx, uint16_t len,
                  uint8_t flags = kColVariable) { return ColumnLayout{n, t, idx, 0, len, flags}; };
    return {fixed(u"Id", kTypeLong, 0, 4),
            fixed(u"ParentId", kTypeLong, 4, 4),
            var(u"Name", kTypeText, 0, 510),
            fixed(u"Type", kTypeInteger, 8, 2),
            fixed(u"DateCreate", kTypeDateTime, 10, 8),
            fixed(u"DateUpdate", kTypeDateTime, 18, 8),
            var(u"Owner", kTypeBinary, 1, 510, kColSid),
            fixed(u"Flags", kTypeLong, 26, 4),
            var(u"Database", kTypeMemo, 2, 0),
            var(u"Connect", kTypeMemo, 3, 0),
            var(u"ForeignName", kTypeText, 4, 510),
            var(u"RmtInfoShort", kTypeBinary, 5, 510),
            var(u"RmtInfoLong", kTypeOle, 6, 0),
            var(u"Lv", kTypeOle, 7, 0),
            var(u"LvProp", kTypeOle, 8, 0),
            var(u"LvModule", kTypeOle, 9, 0),
            var(u"LvExtra", kTypeOle, 10, 0)};
}
constexpr size_t kCatalogueFixedSize = 30;

std::vector<ColumnLayout> aces_columns() {
    return {ColumnLayout{u"ObjectId", kTypeLong, 0, 0, 4, kColFixed},
            ColumnLayout{u"SID", kTypeBinary, 0, 0, 510, kColSid},
            ColumnLayout{u"ACM", kTypeLong, 0, 4, 4, kColFixed},
            ColumnLayout{u"FInheritable", kTypeBoolean, 0, 0, 1, kColFixed}};
}
std::vector<ColumnLayout> queries_columns() {
    return {ColumnLayout{u"ObjectId", kTypeLong, 0, 0, 4, kColFixed},
            ColumnLayout{u"Attribute", kTypeByte, 0, 4, 1, kColFixed},
            ColumnLayout{u"Order", kTypeBinary, 0, 0, 510, kColVariable},
            ColumnLayout{u"Name1", kTypeText, 1, 0, 510, kColVariable},
            ColumnLayout{u"Name2", kTypeText, 2, 0, 510, kColVariable},
            ColumnLayout{u"Expression", kTypeMemo, 3, 0, 0, kColVariable},
            ColumnLayout{u"Flag", kTypeInteger, 0, 5, 2, kColFixed},
            ColumnLayout{u"LvExtra", kTypeLong, 0, 7, 4, kColFixed}};
}
std::vector<ColumnLayout> relationships_columns() {
    return {ColumnLayout{u"szRelationship", kTypeText, 0, 0, 510, kColVariable},
            ColumnLayout{u"grbit", kTypeLong, 0, 0, 4, kColFixed},
            ColumnLayout{u"ccolumn", kTypeLong, 0, 4, 4, kColFixed},
            ColumnLayout{u"icolumn", kTypeLong, 0, 8, 4, kColFixed},
            ColumnLayout{u"szObject", kTypeText, 1, 0, 510, kColVariable},
            ColumnLayout{u"szColumn", kTypeText, 2, 0, 510, kColVariable},
            ColumnLayout{u"szReferencedObject", kTypeText, 3, 0, 510, kColVariable},
            ColumnLayout{u"szReferencedColumn", kTypeText, 4, 0, 510, kColVariable}};
}

struct CatalogueEntry {
    uint32_t id, parent;
    std::u16string name;
    int16_t type;
    uint32_t flags;
    uint8_t owner[2];
};

// A name Jet accepts for a table or column.
const char* check_name(std::u16string_view n) {
    if (n.empty()) return "is empty";
    if (n.size() > kMaxNameLength) return "is longer than 64 characters";
    if (n[0] == u' ') return "starts with a space";
    for (char16_t c : n)
        if (c < 0x20 || c == u'.' || c == u'!' || c == u'`' || c == u'[' || c == u']')
            return "holds a character Access does not allow in names";
    return nullptr;
}

bool same_name(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x = char16_t(x - 32);
        if (y >= u'a' && y <= u'z') y = char16_t(y - 32);
        if (x != y) return false;
    }
    return true;
}

std::string utf8(std::u16string_view s) {
    return utf16_to_utf8(s);
}

// A value of a user table cell, prepared before the pages are laid out.
struct PlannedCell {
    enum Kind : uint8_t { Null, Text, LongValue } kind = Null;
    bool in_row = false;  // long value stored inline
    Bytes encoded;        // text, or memo text as stored
    ByteSpan data;        // what the cell stores: encoded, or the caller's bytes
};

struct TablePlan {
    const TableDef* def = nullptr;
    std::vector<ColumnLayout> cols;
    std::vector<std::vector<PlannedCell>> rows;
    std::vector<size_t> sizes;
    std::vector<uint32_t> page_of;  // data page index of each row
    uint32_t data_pages = 0;
    uint32_t tdef_page_count = 0;
    uint32_t tdef_page = 0;  // set while writing
    // usage-map rows (indexes into the map list)
    size_t owned_map = 0, free_map = 0;
    std::vector<size_t> lv_maps;  // two per long-value column
};

std::string check_and_plan(const TableDef& t, TablePlan& plan) {
    std::string where = "table '" + utf8(t.name) + "'";
    if (const char* bad = check_name(t.name)) return where + ": the name " + bad;
    if (t.name.size() >= 4 && same_name(t.name.substr(0, 4), u"MSYS"))
        return where + ": names starting with MSys belong to the system tables";
    if (t.columns.empty() || t.columns.size() > kMaxTableColumns)
        return where + ": a table needs 1 to 255 columns";
    plan.def = &t;
    for (size_t i = 0; i < t.columns.size(); ++i) {
        const ColumnDef& c = t.columns[i];
        if (const char* bad = check_name(c.name))
            return where + ", column '" + utf8(c.name) + "': the name " + bad;
        for (size_t j = 0; j < i; ++j)
            if (same_name(t.columns[j].name, c.name))
                return where + ": two columns are named '" + utf8(c.name) + "'";
        ColumnLayout s{c.name, kTypeText,        uint16_t(i),        0,
                       510,    kUserColVariable, kExtraCompressible, true};
        if (c.type == ColumnType::Memo) s.type = kTypeMemo, s.length = 0;
        if (c.type == ColumnType::LongBinary) s.type = kTypeOle, s.length = 0, s.extra = 0;
        plan.cols.push_back(s);
    }
    plan.rows.resize(t.rows.size());
    plan.sizes.resize(t.rows.size());
    for (size_t r = 0; r < t.rows.size(); ++r) {
        const std::vector<Value>& row = t.rows[r];
        std::string at = where + ", row " + std::to_string(r + 1);
        if (row.size() != t.columns.size())
            return at + ": has " + std::to_string(row.size()) + " values for " +
                   std::to_string(t.columns.size()) + " columns";
        std::vector<PlannedCell>& cells = plan.rows[r];
        cells.resize(row.size());
        size_t var_bytes = 0;
        for (size_t c = 0; c < row.size(); ++c) {
            const Value& v = row[c];
            PlannedCell& cell = cells[c];
            std::string here = at + ", column '" + utf8(t.columns[c].name) + "'";
            if (std::holds_alternative<std::monostate>(v)) continue;
            ColumnType type = t.columns[c].type;
            if (type == ColumnType::LongBinary) {
                const Bytes* b = std::get_if<Bytes>(&v);
                if (!b) return here + ": a Long Binary value must be bytes";
                if (b->size() > kMaxLongValueBytes)
                    return here + ": the value exceeds 16 MiB - 1 bytes";
                cell.kind = PlannedCell::LongValue;
                cell.data = *b;
                var_bytes += kLongValueHeaderSize;
                continue;
            }
            const std::u16string* s = std::get_if<std::u16string>(&v);
            if (!s) return here + ": a Text or Memo value must be text";
            if (!s->empty() && (*s)[0] == 0xFEFF)
                return here + ": a text may not start with U+FEFF (byte order mark)";
            if (type == ColumnType::Text && s->size() > kMaxTextLength)
                return here + ": a Text value holds at most 255 characters";
            cell.encoded = encode_text(*s);
            cell.data = cell.encoded;
            if (type == ColumnType::Text) {
                cell.kind = PlannedCell::Text;
                var_bytes += cell.encoded.size();
            } else {
                if (cell.encoded.size() > kMaxLongValueBytes)
                    return here + ": the value exceeds 16 MiB - 1 bytes as stored";
                cell.kind = PlannedCell::LongValue;
                var_bytes += kLongValueHeaderSize;
            }
        }
        size_t size = row_size(plan.cols, 0, var_bytes);
        // Short long values stay in the row while it has room.
        for (PlannedCell& cell : cells) {
            if (cell.kind != PlannedCell::LongValue || cell.data.size() > kInlineLongValueMax)
                continue;
            if (size + cell.data.size() > kMaxRowSize) continue;
            cell.in_row = true;
            size += cell.data.size();
        }
        if (size > kMaxRowSize) return at + ": the row is longer than a page can hold";
        plan.sizes[r] = size;
    }
    plan.page_of = pack(plan.sizes, plan.data_pages);
    if (plan.data_pages > kMaxDataPagesPerTable) return where + ": too many rows for one table";
    return {};
}

// Writes pages at their place in the file.
class PageFile {
  public:
    explicit PageFile(std::FILE* f) : f_(f) {}
    bool put(uint32_t page, ByteSpan bytes) {
        if (!ok_) return false;
        long at = long(page) * long(kPageSize);
        if (at != pos_ && std::fseek(f_, at, SEEK_SET) != 0) return ok_ = false;
        if (std::fwrite(bytes.data(), 1, bytes.size(), f_) != bytes.size()) return ok_ = false;
        pos_ = at + long(bytes.size());
        return true;
    }
    bool ok() const { return ok_; }

  private:
    std::FILE* f_;
    long pos_ = 0;
    bool ok_ = true;
};

// Long-value pages of one table, filled in order and written when full.
class LvalPages {
  public:
    LvalPages(PageFile& file, uint32_t first) : file_(file), next_(first) {}

    // Stores the value and returns its 12-byte header.
    void store(ByteSpan v, uint8_t out[kLongValueHeaderSize]) {
        std::memset(out, 0, kLongValueHeaderSize);
        if (v.size() <= kMaxLvalRow) {
            put32(out, uint32_t(v.size()) | uint32_t(kLongValueSingle) << 24);
            put32(out + 4, add(v));
            return;
        }
        put32(out, uint32_t(v.size()) | uint32_t(kLongValueChain) << 24);
        // Full segments fill pages of their own; the remainder shares the
        // current page with other values, so its row number is known first.
        size_t full = v.size() / kChainSegmentData, rest = v.size() % kChainSegmentData;
        uint32_t rest_ptr = 0;
        if (rest) {
            if (page_ && !page_->fits(4 + rest)) close_page();
            open_page();
            rest_ptr = page_no_ << 8 | page_->rows();
        }
        Bytes seg;
        for (size_t i = 0; i < full; ++i) {
            uint32_t here = next_++;
            if (i == 0) put32(out + 4, here << 8);
            seg.assign(4, 0);
            put32(seg.data(), i + 1 < full ? (here + 1) << 8 : rest_ptr);
            auto data = v.subspan(i * kChainSegmentData, kChainSegmentData);
            seg.insert(seg.end(), data.begin(), data.end());
            static const uint8_t lval[4] = {'L', 'V', 'A', 'L'};
            DataPage own(lval);
            own.add(seg);
            file_.put(here, own.bytes());
        }
        if (rest) {
            if (full == 0) put32(out + 4, rest_ptr);
            seg.assign(4, 0);
            auto data = v.subspan(full * kChainSegmentData);
            seg.insert(seg.end(), data.begin(), data.end());
            page_->add(seg);
        }
    }
    void close_page() {
        if (page_ && !page_->empty()) file_.put(page_no_, page_->bytes());
        page_.reset();
    }
    uint32_t next_free_page() const { return next_; }

  private:
    void open_page() {
        if (page_) return;
        static const uint8_t lval[4] = {'L', 'V', 'A', 'L'};
        page_ = std::make_unique<DataPage>(lval);
        page_no_ = next_++;
    }
    uint32_t add(ByteSpan row) {
        if (page_ && !page_->fits(row.size())) close_page();
        open_page();
        return page_no_ << 8 | page_->add(row);
    }
    PageFile& file_;
    uint32_t next_;
    uint32_t page_no_ = 0;
    std::unique_ptr<DataPage> page_;
};

double days_since_1899(std::time_t t) {
    return double(t) / 86400.0 + 25569.0;
}

Bytes header_page(double created) {
    Bytes p(kPageSize, 0);
    p[1] = 0x01;
    std::memcpy(&p[kHeaderMagicAt], "Standard Jet DB", 16);
    p[kHeaderVersionAt] = kJet4Version;
    static const uint8_t fixed[24] = {0, 1, 0, 0, 1, 1, 0, 0, 2, 0, 0, 0,
                                      3, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0};
    std::memcpy(&p[kHeaderMaskAt], fixed, sizeof fixed);
    put16(&p[kHeaderCodePageAt], 1252);
    // No password: the stored area is the mask derived from the creation day.
    uint32_t day = uint32_t(int64_t(std::floor(created)));
    for (size_t i = 0; i < kHeaderPasswordLen; i += 4) put32(&p[kHeaderPasswordAt + i], day);
    put32(&p[kHeaderUnknown6aAt], 0x261C);
    put32(&p[kHeaderSortOrderAt], kSortGeneral);
    std::memcpy(&p[kHeaderCreatedAt], &created, 8);
    apply_header_mask(&p[kHeaderMaskAt]);
    static const uint8_t version[8] = {0x54, 0x06, 0, 0, '4', '.', '0', 0};
    std::memcpy(&p[0x98], version, 8);
    put16(&p[0xE00], 0x0101);
    for (size_t at = 0xE02; at < kPageSize; at += 2) put16(&p[at], 0x0100);
    return p;
}

}  // namespace

namespace {

// The four system tables: MSysObjects (the catalogue), MSysACEs,
// MSysQueries, MSysRelationships.
constexpr int kSystemTables = 4;

bool is_long_value(const ColumnLayout& c) {
    return c.type == kTypeMemo || c.type == kTypeOle;
}

// Every usage map of the file (two per table, owned pages and pages with free
// space, and two per long-value column), their places on the map pages and
// the pointers (page << 8 | row) the table definitions hold.
struct UsageMaps {
    std::vector<ColumnLayout> sys_cols[kSystemTables] = {
        catalogue_columns(), aces_columns(), queries_columns(), relationships_columns()};
    size_t sys_owned[kSystemTables] = {}, sys_free[kSystemTables] = {};
    std::vector<size_t> sys_lv[kSystemTables];
    std::vector<Bytes> maps;
    std::vector<uint32_t> page;  // map page of each map
    std::vector<uint32_t> ptr;
    uint32_t page_count = 0;

    size_t add(Bytes m) {
        maps.push_back(std::move(m));
        return maps.size() - 1;
    }
    size_t add_empty() { return add(Bytes(5 + kPlainMapBitmap, 0)); }

    // The long-value map pointers of a table's columns.
    std::vector<LvMaps> long_value_maps(const std::vector<ColumnLayout>& cols,
                                        const std::vector<size_t>& lv,
                                        bool (*is_lv)(const ColumnLayout&)) const {
        std::vector<LvMaps> out;
        for (size_t c = 0, k = 0; c < cols.size(); ++c)
            if (is_lv(cols[c])) {
                out.push_back({uint16_t(c), ptr[lv[k]], ptr[lv[k + 1]]});
                k += 2;
            }
        return out;
    }
};

bool is_not_text(const ColumnLayout& c) {
    return c.type != kTypeText;
}

UsageMaps plan_usage_maps(std::vector<TablePlan>& plans) {
    UsageMaps u;
    for (int s = 0; s < kSystemTables; ++s) {
        u.sys_owned[s] = u.add_empty();
        u.sys_free[s] = u.add_empty();
        for (const ColumnLayout& c : u.sys_cols[s])
            if (is_long_value(c)) {
                u.sys_lv[s].push_back(u.add_empty());
                u.sys_lv[s].push_back(u.add_empty());
            }
    }
    for (TablePlan& p : plans) {
        size_t bitmap = map_bitmap_bytes(p.data_pages);
        p.owned_map = u.add(Bytes(5 + bitmap, 0));
        p.free_map = u.add(Bytes(5 + bitmap, 0));
        for (const ColumnLayout& c : p.cols)
            if (is_not_text(c)) {
                p.lv_maps.push_back(u.add_empty());
                p.lv_maps.push_back(u.add_empty());
            }
    }
    std::vector<size_t> sizes;
    for (const Bytes& m : u.maps) sizes.push_back(m.size());
    u.page = pack(sizes, u.page_count);
    u.ptr.resize(u.maps.size());
    std::vector<uint8_t> slot(u.page_count, 0);
    for (size_t i = 0; i < u.maps.size(); ++i)
        u.ptr[i] = (kUsageMapPage + u.page[i]) << 8 | slot[u.page[i]]++;
    return u;
}

// The catalogue's rows: Jet's containers and system tables, then one per
// table (its id, the definition page, is set when the table is written).
struct CataloguePlan {
    std::vector<CatalogueEntry> entries;
    std::vector<uint32_t> page;  // catalogue page of each row
    uint32_t page_count = 0;
    uint32_t first_page = 0;
};

CataloguePlan plan_catalogue(const std::vector<TablePlan>& plans, const UsageMaps& u) {
    CataloguePlan c;
    c.entries = {
        {kIdTables, kIdRoot, u"Tables", 3, kFlagSystem, {0x65, 0x89}},
        {kIdDatabases, kIdRoot, u"Databases", 3, kFlagSystem, {0x65, 0x89}},
        {0x0F000003, kIdRoot, u"Relationships", 3, kFlagSystem, {0x65, 0x89}},
        {0x10000000, kIdDatabases, u"MSysDb", 2, kFlagSystem, {0x64, 0x8B}},
        {2, kIdTables, u"MSysObjects", 1, kFlagSystem, {0x65, 0x89}},
        {3, kIdTables, u"MSysACEs", 1, kFlagSystem, {0x65, 0x89}},
        {4, kIdTables, u"MSysQueries", 1, kFlagSystem, {0x65, 0x89}},
        {5, kIdTables, u"MSysRelationships", 1, kFlagSystem, {0x65, 0x89}},
    };
    for (const TablePlan& p : plans)
        c.entries.push_back({0, kIdTables, p.def->name, 1, 0, {0x65, 0x89}});
    std::vector<size_t> sizes;
    for (const CatalogueEntry& e : c.entries)
        sizes.push_back(row_size(u.sys_cols[0], kCatalogueFixedSize, e.name.size() * 2 + 2));
    c.page = pack(sizes, c.page_count);
    c.first_page = kUsageMapPage + u.page_count;
    return c;
}

// Rows in order onto data pages: a row goes to the page its plan gave it.
class PageFiller {
  public:
    PageFiller(PageFile& file, uint32_t first_page, uint32_t owner_tdef)
        : file_(file), first_(first_page) {
        put32(owner_, owner_tdef);
    }
    void add(uint32_t page_index, const Bytes& row) {
        if (page_ && page_index != index_) flush();
        if (!page_) {
            page_ = std::make_unique<DataPage>(owner_);
            index_ = page_index;
        }
        page_->add(row);
    }
    void flush() {
        if (page_) file_.put(first_ + index_, page_->bytes());
        page_.reset();
    }

  private:
    PageFile& file_;
    uint32_t first_;
    uint8_t owner_[4];
    std::unique_ptr<DataPage> page_;
    uint32_t index_ = 0;
};

// One table from `next` on: its definition, data pages and long-value pages.
// Returns the first page after them.
uint32_t write_table(PageFile& file, TablePlan& p, uint32_t next, UsageMaps& u,
                     CatalogueEntry& entry) {
    Bytes probe = build_tdef({'N', 0, &p.cols, 0, 0, std::vector<LvMaps>(p.lv_maps.size() / 2)});
    p.tdef_page = next;
    entry.id = p.tdef_page;
    uint32_t first_data = next + uint32_t(tdef_pages(probe.size()));
    LvalPages lval(file, first_data + p.data_pages);
    PageFiller pages(file, first_data, p.tdef_page);
    std::vector<Cell> cells(p.cols.size());
    std::vector<std::array<uint8_t, kLongValueHeaderSize>> headers(p.cols.size());
    std::vector<Bytes> inline_values(p.cols.size());
    for (size_t r = 0; r < p.rows.size(); ++r) {
        for (size_t c = 0; c < p.cols.size(); ++c) {
            PlannedCell& pc = p.rows[r][c];
            cells[c] = Cell{pc.kind != PlannedCell::Null, pc.data};
            if (pc.kind != PlannedCell::LongValue) continue;
            if (pc.in_row) {
                Bytes& b = inline_values[c];
                b.assign(kLongValueHeaderSize, 0);
                put32(b.data(), uint32_t(pc.data.size()) | uint32_t(kLongValueInline) << 24);
                b.insert(b.end(), pc.data.begin(), pc.data.end());
                cells[c].data = b;
            } else {
                lval.store(pc.data, headers[c].data());
                cells[c].data = ByteSpan(headers[c].data(), kLongValueHeaderSize);
            }
        }
        pages.add(p.page_of[r], encode_row(p.cols, 0, cells));
        p.rows[r].clear();  // the encoded texts are no longer needed
        p.rows[r].shrink_to_fit();
    }
    pages.flush();
    lval.close_page();
    u.maps[p.owned_map] = usage_map(first_data, p.data_pages, u.maps[p.owned_map].size() - 5);
    u.maps[p.free_map] = usage_map(first_data + p.data_pages - 1, p.data_pages ? 1 : 0,
                                   u.maps[p.free_map].size() - 5);
    Bytes tdef = build_tdef({'N', uint32_t(p.def->rows.size()), &p.cols, u.ptr[p.owned_map],
                             u.ptr[p.free_map], u.long_value_maps(p.cols, p.lv_maps, is_not_text)});
    std::vector<Bytes> tpages = split_tdef(tdef, p.tdef_page);
    for (size_t i = 0; i < tpages.size(); ++i) file.put(p.tdef_page + uint32_t(i), tpages[i]);
    return std::max(lval.next_free_page(), first_data + p.data_pages);
}

void write_catalogue(PageFile& file, const CataloguePlan& c, UsageMaps& u, double created) {
    const std::vector<ColumnLayout>& cols = u.sys_cols[0];
    PageFiller pages(file, c.first_page, kCatalogueTdefPage);
    for (size_t i = 0; i < c.entries.size(); ++i) {
        const CatalogueEntry& e = c.entries[i];
        uint8_t fixed[kCatalogueFixedSize] = {};
        put32(fixed + 0, e.id);
        put32(fixed + 4, e.parent);
        put16(fixed + 8, uint16_t(e.type));
        std::memcpy(fixed + 10, &created, 8);
        std::memcpy(fixed + 18, &created, 8);
        put32(fixed + 26, e.flags);
        Bytes name;
        append_utf16(name, e.name);
        std::vector<Cell> cells(cols.size());
        for (size_t k : {0, 1, 3, 4, 5, 7}) {
            cells[k].present = true;
            cells[k].data = ByteSpan(fixed + cols[k].fixed_offset, cols[k].length);
        }
        cells[2] = Cell{true, name};
        cells[6] = Cell{true, ByteSpan(e.owner, 2)};
        pages.add(c.page[i], encode_row(cols, kCatalogueFixedSize, cells));
    }
    pages.flush();
    u.maps[u.sys_owned[0]] = usage_map(c.first_page, c.page_count, kPlainMapBitmap);
    u.maps[u.sys_free[0]] = usage_map(c.first_page, c.page_count, kPlainMapBitmap);
}

// The system tables' definitions on pages 2 to 5 (only the catalogue has rows).
void write_system_tables(PageFile& file, const UsageMaps& u, uint32_t catalogue_rows) {
    for (int s = 0; s < kSystemTables; ++s) {
        uint32_t rows = s == 0 ? catalogue_rows : 0;
        Bytes tdef =
            build_tdef({'S', rows, &u.sys_cols[s], u.ptr[u.sys_owned[s]], u.ptr[u.sys_free[s]],
                        u.long_value_maps(u.sys_cols[s], u.sys_lv[s], is_long_value)});
        file.put(kCatalogueTdefPage + uint32_t(s), split_tdef(tdef, kCatalogueTdefPage + s)[0]);
    }
}

void write_usage_maps(PageFile& file, const UsageMaps& u) {
    static const uint8_t none[4] = {0, 0, 0, 0};
    std::vector<std::unique_ptr<DataPage>> pages(u.page_count);
    for (auto& pg : pages) pg = std::make_unique<DataPage>(none);
    for (size_t i = 0; i < u.maps.size(); ++i) pages[u.page[i]]->add(u.maps[i]);
    for (uint32_t i = 0; i < u.page_count; ++i) file.put(kUsageMapPage + i, pages[i]->bytes());
}

// Page 1: the free pages among the first 512 (those past the end of the file).
void write_global_map(PageFile& file, uint32_t total_pages) {
    static const uint8_t one[4] = {1, 0, 0, 0};
    DataPage global(one);
    Bytes m(5 + kPlainMapBitmap, 0);
    for (uint32_t pg = total_pages; pg < kPlainMapBitmap * 8; ++pg)
        m[5 + pg / 8] |= uint8_t(1 << (pg % 8));
    global.add(m);
    global.add(Bytes(5 + kPlainMapBitmap, 0));
    file.put(1, global.bytes());
}

}  // namespace

Status write_database(const std::string& path, const std::vector<TableDef>& tables) {
    std::vector<TablePlan> plans(tables.size());
    for (size_t i = 0; i < tables.size(); ++i) {
        for (size_t j = 0; j < i; ++j)
            if (same_name(tables[j].name, tables[i].name))
                return Status(StatusCode::kInvalidArgument,
                              "two tables are named '" + utf8(tables[i].name) + "'");
        std::string err = check_and_plan(tables[i], plans[i]);
        if (!err.empty()) return Status(StatusCode::kInvalidArgument, std::move(err));
    }
    UsageMaps maps = plan_usage_maps(plans);
    CataloguePlan catalogue = plan_catalogue(plans, maps);

    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return Status(StatusCode::kWriteFailed, "Cannot create file '" + path + "'.");
    PageFile file(f);
    uint32_t next = catalogue.first_page + catalogue.page_count;
    std::string failure;
    for (size_t ti = 0; ti < plans.size() && failure.empty(); ++ti) {
        next = write_table(file, plans[ti], next, maps, catalogue.entries[8 + ti]);
        if (next > kMaxPages) failure = "the database would exceed 2 GiB";
    }
    double created = days_since_1899(std::time(nullptr));
    write_catalogue(file, catalogue, maps, created);
    write_system_tables(file, maps, uint32_t(catalogue.entries.size()));
    write_usage_maps(file, maps);
    write_global_map(file, next);
    file.put(0, header_page(created));

    bool ok = file.ok() && failure.empty();
    if (std::fclose(f) != 0) ok = false;
    if (!ok) {
        std::remove(path.c_str());
        if (!failure.empty()) return Status(StatusCode::kTooLarge, failure);
        return Status(StatusCode::kWriteFailed, "Cannot write file '" + path + "'.");
    }
    return Status();
}

}  // namespace yq::jet
