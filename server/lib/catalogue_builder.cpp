#include "server/lib/catalogue_builder.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "platform/zt/zt_container.h"
#include "base/text.h"
#include "platform/jet/jet_writer.h"
#include "platform/sfnt/face_name.h"
#include "platform/sfnt/licence.h"
#include "server/lib/catalogue_index.h"
#include "server/lib/file_io.h"
#include "server/lib/request_target.h"

namespace yq::server {

namespace fs = std::filesystem;

namespace {

// The three groups, as the "dl" columns name them (UTF-16) and as folder
// names arrive from the file system (compared in GBK, the literals' encoding).
struct Group {
    const char* gbk_name;
    std::u16string column;
};
const Group kGroups[] = {
    {"中文字体", u"中文字体"},
    {"英文字体", u"英文字体"},
    {"特殊字体", u"特殊字体"},
};

struct FontEntry {
    std::string file_name;  // UTF-8
    std::string path;
    std::string face_gbk;
    LicenceSummary licence;  // from the same read of the name table as the face
    std::string key;
    Bytes picture;  // packed BMP
    Bytes packed;   // packed font file
};

struct Category {
    size_t group = 0;
    std::string name;  // UTF-8
    std::vector<FontEntry> fonts;
};

std::string ascii_lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool is_printable_ascii(std::string_view s, bool allow_blank) {
    for (char c : s)
        if (c < (allow_blank ? 0x20 : 0x21) || c > 0x7E) return false;
    return true;
}

// Why a folder name cannot be a category table name, or "".
std::string category_name_problem(const std::string& utf8) {
    std::u16string name = utf8_to_utf16(utf8);
    if (name.empty()) return "empty name";
    if (utf16_to_utf8(name) != utf8 || gbk_to_utf16(utf16_to_gbk(name)) != name)
        return "name is not valid UTF-8 text that GBK can hold";
    if (name.size() > kMaxCategoryNameUnits) return "name longer than 64 characters";
    auto blank = [](char16_t c) { return c == u' ' || c == u'\u3000'; };
    if (blank(name.front()) || blank(name.back())) return "name starts or ends with a blank";
    for (char16_t c : name) {
        if (c < 0x20 || c == u'.' || c == u'!' || c == u'`' || c == u'[' || c == u']')
            return "name holds a character table names cannot have (. ! ` [ ] or a control)";
    }
    std::string lower = ascii_lower(utf8);
    if (lower == "dl" || lower.starts_with("msys") || name == kLicenceTable)
        return "name is reserved";
    return "";
}

// Why a face name cannot be listed, or "".
std::string face_name_problem(const std::string& gbk) {
    for (char c : gbk)
        if (c == '\t' || c == '\r' || c == '\n') return "face name holds a tab or line break";
    std::u16string u = gbk_to_utf16(gbk);
    if (u.size() > 255) return "face name too long";
    if (!u.empty() && u.front() == u'\uFEFF') return "face name starts with U+FEFF";
    return "";
}

uint32_t fnv1a32(std::string_view s) {
    uint32_t h = 2166136261u;
    for (unsigned char c : s) {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

std::string hex8(uint32_t v) {
    static const char digits[] = "0123456789abcdef";
    std::string s(8, '0');
    for (int i = 7; i >= 0; --i, v >>= 4) s[i] = digits[v & 15];
    return s;
}

std::string error_text(const std::error_code& ec) {
    return ec.message();
}

// Entries of a folder sorted by name, so builds are reproducible.
std::vector<fs::directory_entry> sorted_entries(const fs::path& dir, std::string* error) {
    std::vector<fs::directory_entry> out;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        out.push_back(*it);
    if (ec && error) *error = dir.string() + ": " + error_text(ec);
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) {
        return a.path().filename() < b.path().filename();
    });
    return out;
}

std::string write_text(const std::string& path, std::string_view text) {
    return write_file_atomically(
        path, ByteSpan(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::string ad_page(std::string_view catalogue_version) {
    return "<!DOCTYPE html>\n<html><head>\n"
           "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">\n"
           "<title>砚青</title>\n"
           "<style>body{margin:0;font:12px sans-serif;background:#f4f8fb;color:#345}"
           "p{margin:6px 10px}</style>\n"
           "</head><body><p>砚青字体库 " +
           std::string(catalogue_version) +
           "：点击字体右侧的按钮即可下载安装。</p></body></html>\n";
}

// Collects the categories and their readable fonts from SRC.
std::vector<Category> scan_source(const std::string& source, BuildReport& report) {
    std::vector<Category> categories;
    std::set<std::string> table_names;  // ASCII-lower-cased, across all groups
    std::string error;
    for (const fs::directory_entry& g : sorted_entries(source, &error)) {
        std::string gname = g.path().filename().string();
        std::error_code ec;
        size_t group = std::size(kGroups);
        for (size_t i = 0; i < std::size(kGroups); ++i)
            if (utf8_to_gbk(gname) == kGroups[i].gbk_name) group = i;
        if (group == std::size(kGroups) || !g.is_directory(ec)) {
            report.warnings.push_back(g.path().string() +
                                      gbk_to_utf8(": not a group folder (中文字体, 英文字体 or "
                                                  "特殊字体), skipped"));
            continue;
        }
        for (const fs::directory_entry& c : sorted_entries(g.path(), &error)) {
            std::string cname = c.path().filename().string();
            if (!c.is_directory(ec)) {
                report.warnings.push_back(c.path().string() +
                                          ": a file directly in a group folder, skipped");
                continue;
            }
            std::string problem = category_name_problem(cname);
            if (problem.empty() && !table_names.insert(ascii_lower(cname)).second)
                problem = "a category of that name exists already";
            if (!problem.empty()) {
                report.warnings.push_back(c.path().string() + ": " + problem + ", skipped");
                continue;
            }
            Category cat{group, cname, {}};
            for (const fs::directory_entry& f : sorted_entries(c.path(), &error)) {
                if (!f.is_regular_file(ec)) {
                    report.warnings.push_back(f.path().string() + ": not a font file, skipped");
                    continue;
                }
                FontEntry font;
                font.file_name = f.path().filename().string();
                font.path = f.path().string();
                sfnt::FaceInfo info = sfnt::read_face_info_from_file(font.path);
                font.face_gbk = std::move(info.face);
                font.licence = summarize_licence(info.licence);
                if (font.face_gbk.empty()) {
                    report.warnings.push_back(font.path + ": not a readable font, skipped");
                    continue;
                }
                std::string why = face_name_problem(font.face_gbk);
                if (!why.empty()) {
                    report.warnings.push_back(font.path + ": " + why + ", skipped");
                    continue;
                }
                cat.fonts.push_back(std::move(font));
            }
            categories.push_back(std::move(cat));
        }
    }
    if (!error.empty()) report.warnings.push_back(error);
    return categories;
}

// Reads each font and drops those FreeType cannot draw; orders a category by
// face name (GBK bytes: pinyin order for common hanzi) and keeps one font per
// face name, preferring an upright regular face, then the first file name;
// then packs the fonts and draws their pictures.
void prepare_fonts(std::vector<Category>& categories, BuildReport& report) {
    struct Loaded {
        FontEntry entry;
        std::shared_ptr<const Bytes> file;
        std::unique_ptr<FontFace> face;
        int style = 0;
    };
    std::set<std::string> keys;
    for (Category& cat : categories) {
        std::vector<Loaded> loaded;
        for (FontEntry& f : cat.fonts) {
            std::string error;
            std::optional<Bytes> data = read_file(f.path, &error);
            if (!data) {
                report.warnings.push_back(f.path + ": " + error + ", skipped");
                continue;
            }
            Loaded l;
            l.file = std::make_shared<const Bytes>(std::move(*data));
            l.face = FontFace::open(l.file, &error);
            if (!l.face) {
                report.warnings.push_back(f.path + ": " + error + ", skipped");
                continue;
            }
            l.style = l.face->style_rank();
            l.entry = std::move(f);
            loaded.push_back(std::move(l));
        }
        std::stable_sort(loaded.begin(), loaded.end(), [](const Loaded& a, const Loaded& b) {
            if (a.entry.face_gbk != b.entry.face_gbk) return a.entry.face_gbk < b.entry.face_gbk;
            return a.style < b.style;
        });
        std::vector<FontEntry> ready;
        for (size_t i = 0; i < loaded.size(); ++i) {
            FontEntry& f = loaded[i].entry;
            if (!ready.empty() && ready.back().face_gbk == f.face_gbk) {
                report.warnings.push_back(f.path + ": face name \"" + gbk_to_utf8(f.face_gbk) +
                                          "\" is already in category " + cat.name + " (from " +
                                          ready.back().file_name + "), skipped");
                continue;
            }
            f.packed = zt_pack(*loaded[i].file);
            if (f.packed.empty()) {
                report.warnings.push_back(f.path + ": too large to pack, skipped");
                continue;
            }
            f.picture = zt_pack(
                make_preview_bmp(*loaded[i].face, utf16_to_code_points(gbk_to_utf16(f.face_gbk))));
            f.key = font_key_for(gbk_to_utf8(kGroups[cat.group].gbk_name), cat.name, f.file_name);
            std::string base = f.key;
            for (int n = 2; !keys.insert(f.key).second; ++n) f.key = base + "-" + std::to_string(n);
            ready.push_back(std::move(f));
            loaded[i].face.reset();  // the file's memory goes with the last reference
            loaded[i].file.reset();
        }
        cat.fonts = std::move(ready);
    }
    std::erase_if(categories, [&](const Category& c) {
        if (!c.fonts.empty()) return false;
        report.warnings.push_back("category " + c.name + " has no usable fonts, left out");
        return true;
    });
}

std::vector<jet::TableDef> database_tables(const std::vector<Category>& categories) {
    std::vector<jet::TableDef> tables;
    jet::TableDef dl{u"dl", {}, {}};
    std::vector<std::vector<std::u16string>> columns(std::size(kGroups));
    for (const Group& g : kGroups) dl.columns.push_back({g.column, jet::ColumnType::Text});
    for (const Category& c : categories) columns[c.group].push_back(utf8_to_utf16(c.name));
    size_t rows = 0;
    for (auto& col : columns) {
        // Category order: by GBK bytes of the name, like the fonts.
        std::sort(col.begin(), col.end(), [](const std::u16string& a, const std::u16string& b) {
            return utf16_to_gbk(a) < utf16_to_gbk(b);
        });
        rows = std::max(rows, col.size());
    }
    for (size_t r = 0; r < rows; ++r) {
        std::vector<jet::Value> row;
        for (auto& col : columns)
            row.push_back(r < col.size() ? jet::Value(col[r]) : jet::Value(std::monostate{}));
        dl.rows.push_back(std::move(row));
    }
    tables.push_back(std::move(dl));
    for (const Category& c : categories) {
        jet::TableDef t{utf8_to_utf16(c.name),
                        {{u"字体名", jet::ColumnType::Text},
                         {u"图片", jet::ColumnType::LongBinary},
                         {u"字体地址", jet::ColumnType::Text}},
                        {}};
        for (const FontEntry& f : c.fonts) {
            std::u16string key(f.key.begin(), f.key.end());
            t.rows.push_back({gbk_to_utf16(f.face_gbk), f.picture, key});
        }
        tables.push_back(std::move(t));
    }
    // Each font's licence class, by its address, in a table of its own: the
    // category tables keep their columns, and a program that knows nothing
    // of licences never opens this table (it is not listed in "dl").
    jet::TableDef licences{std::u16string(kLicenceTable),
                           {{u"字体地址", jet::ColumnType::Text},
                            {u"授权", jet::ColumnType::Text},
                            {u"授权说明", jet::ColumnType::Text}},
                           {}};
    for (const Category& c : categories) {
        for (const FontEntry& f : c.fonts) {
            licences.rows.push_back({std::u16string(f.key.begin(), f.key.end()),
                                     gbk_to_utf16(licence_caption(f.licence.kind)),
                                     gbk_to_utf16(f.licence.first_line)});
        }
    }
    tables.push_back(std::move(licences));
    return tables;
}

}  // namespace

std::string font_key_for(std::string_view group, std::string_view category,
                         std::string_view file_name) {
    std::string_view stem = file_name.substr(0, file_name.rfind('.'));
    std::string slug;
    for (char c : stem) {
        bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (alnum) {
            slug += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        } else if (!slug.empty() && slug.back() != '-') {
            slug += '-';
        }
        if (slug.size() >= 40) break;
    }
    while (!slug.empty() && slug.back() == '-') slug.pop_back();
    if (slug.empty()) slug = "font";
    std::string whole =
        std::string(group) + "/" + std::string(category) + "/" + std::string(file_name);
    return slug + "-" + hex8(fnv1a32(whole));
}

Bytes make_preview_bmp(FontFace& face, std::u32string_view name) {
    const int padding = 4;
    GreyImage line;
    for (int size = kPreviewLargestSize; size >= kPreviewSmallestSize; size -= 2) {
        line = face.draw_line(name, size, padding);
        if (line.width <= kPreviewMaxWidth && line.height <= kPreviewHeight) break;
    }
    // Centre the line vertically on a page of the fixed height, cutting what
    // does not fit (only a name too long even at the smallest size).
    GreyImage page;
    page.width = std::min(line.width, kPreviewMaxWidth);
    page.height = kPreviewHeight;
    page.ink.assign(static_cast<size_t>(page.width) * page.height, 0);
    const int dy = (kPreviewHeight - line.height) / 2;
    for (int y = 0; y < line.height; ++y) {
        int py = y + dy;
        if (py < 0 || py >= page.height) continue;
        for (int x = 0; x < page.width; ++x)
            page.ink[static_cast<size_t>(py) * page.width + x] = line.at(x, y);
    }
    return encode_bmp24(page);
}

std::string program_version_text(std::string_view version) {
    return "主程序版本:" + std::string(version);
}

BuildReport build_catalogue(const BuildOptions& o) {
    BuildReport report;
    auto fail = [&](std::string why) {
        report.error = std::move(why);
        return report;
    };
    if (o.catalogue_version.size() != 3 || !is_printable_ascii(o.catalogue_version, false))
        return fail("--version must be exactly 3 printable ASCII characters, like 1.6");
    if (o.program_version.empty() || o.program_version.size() > 32 ||
        !is_printable_ascii(o.program_version, false))
        return fail("--program-version must be printable ASCII without blanks, like 3.6");
    std::error_code ec;
    if (!fs::is_directory(o.source, ec)) return fail(o.source + ": not a folder");
    std::optional<Bytes> exe;
    if (!o.exe.empty()) {
        std::string why;
        exe = read_file(o.exe, &why);
        if (!exe) return fail(o.exe + ": " + why);
    }
    fs::create_directories(fs::path(o.out) / "ztwjj", ec);
    if (ec) return fail(o.out + ": " + error_text(ec));

    std::vector<Category> categories = scan_source(o.source, report);
    prepare_fonts(categories, report);

    // Fonts first and the version last, so a client that sees the new
    // version finds everything it names.
    std::set<std::string> published;
    std::vector<IndexEntry> index;
    for (const Category& c : categories) {
        for (const FontEntry& f : c.fonts) {
            std::string why = write_file_atomically(o.out + "/ztwjj/" + f.key + ".tmp", f.packed);
            if (!why.empty()) return fail(why);
            published.insert(f.key + ".tmp");
            index.push_back({f.key, gbk_to_utf8(kGroups[c.group].gbk_name), c.name,
                             gbk_to_utf8(f.face_gbk), f.file_name});
            ++report.fonts;
        }
    }
    report.categories = categories.size();
    // Packed fonts of earlier builds that this catalogue no longer lists.
    for (const fs::directory_entry& e : sorted_entries(fs::path(o.out) / "ztwjj", nullptr)) {
        std::string name = e.path().filename().string();
        bool ours = name.ends_with(".tmp") && is_valid_font_key(name.substr(0, name.size() - 4));
        if (ours && !published.count(name)) fs::remove(e.path(), ec);
    }

    const std::string mdb = o.out + "/ztdata.mdb", mdb_part = mdb + ".part";
    if (Status written = jet::write_database(mdb_part, database_tables(categories)); !written.ok())
        return fail(mdb + ": " + written.message());
    std::string why;
    fs::rename(mdb_part, mdb, ec);
    if (ec) return fail(mdb + ": " + error_text(ec));
    std::optional<Bytes> db = read_file(mdb, &why);
    if (!db) return fail(mdb + ": " + why);
    Bytes packed_db = zt_pack(*db);
    if (packed_db.empty()) return fail(mdb + ": too large to pack");
    for (auto [name, data] : std::initializer_list<std::pair<const char*, std::string>>{
             {"ztysb.data", std::string(packed_db.begin(), packed_db.end())},
             {"catalogue.tsv", format_index(index)},
             {"My.txt", program_version_text(o.program_version)},
             {"ad.html", ad_page(o.catalogue_version)},
         }) {
        why = write_text(o.out + "/" + name, data);
        if (!why.empty()) return fail(why);
    }
    if (exe) {
        why = write_file_atomically(o.out + "/yanqing.exe", *exe);
        if (!why.empty()) return fail(why);
    }
    why = write_text(o.out + "/ztpz.txt", o.catalogue_version);
    if (!why.empty()) return fail(why);
    return report;
}

}  // namespace yq::server
