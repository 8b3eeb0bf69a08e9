// yanqing-server dump FILE.mdb [TABLE...]: prints tables of a Jet 4 file as
// UTF-8 JSON: {"file", "tables": [{"name", "rowCount", "rowsRead",
// "columns": [{"name", "type", "size", "fixedLength", "nullable"}],
// "rows": [{column: value}]}]}. Text as stored, binary as lowercase hex,
// whole numbers and booleans as such, other types as null.
#include <cstdio>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/jet/jet_reader.h"
#include "server/command.h"

namespace yq::server {
namespace {

// UTF-16 as a JSON string: UTF-8, with quotes, backslashes, control
// characters and unpaired surrogates escaped.
void put_json_string(std::string& out, std::u16string_view s) {
    static const char hex[] = "0123456789abcdef";
    auto escape = [&](char16_t c) {
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4) out += hex[(c >> shift) & 15];
    };
    out += '"';
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c == u'"' || c == u'\\') {
            out += '\\';
            out += char(c);
        } else if (c == u'\n') {
            out += "\\n";
        } else if (c == u'\r') {
            out += "\\r";
        } else if (c == u'\t') {
            out += "\\t";
        } else if (c < 0x20) {
            escape(char16_t(c));
        } else if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | c >> 6);
            out += char(0x80 | (c & 0x3F));
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            bool pair = c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF;
            if (!pair) {
                escape(char16_t(c));
                continue;
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
            out += char(0xF0 | c >> 18);
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xE0 | c >> 12);
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    out += '"';
}

const char* type_name(uint8_t type) {
    switch (type) {
        case jet::kTypeBoolean:
            return "boolean";
        case jet::kTypeByte:
            return "byte";
        case jet::kTypeInteger:
            return "integer";
        case jet::kTypeLong:
            return "long";
        case jet::kTypeCurrency:
            return "currency";
        case jet::kTypeSingle:
            return "float";
        case jet::kTypeDouble:
            return "double";
        case jet::kTypeDateTime:
            return "datetime";
        case jet::kTypeBinary:
            return "binary";
        case jet::kTypeText:
            return "text";
        case jet::kTypeOle:
            return "ole";
        case jet::kTypeMemo:
            return "memo";
        case jet::kTypeGuid:
            return "repid";
        case jet::kTypeNumeric:
            return "numeric";
        default:
            return "unknown";
    }
}

void put_value(std::string& out, const jet::Column& c, const jet::Field& f) {
    static const char hex[] = "0123456789abcdef";
    switch (f.kind) {
        case jet::Field::Kind::Text:
            put_json_string(out, f.text);
            return;
        case jet::Field::Kind::Binary:
            out += '"';
            for (uint8_t b : f.bytes) {
                out += hex[b >> 4];
                out += hex[b & 15];
            }
            out += '"';
            return;
        case jet::Field::Kind::Integer:
            if (c.type == jet::kTypeBoolean)
                out += f.integer ? "true" : "false";
            else
                out += std::to_string(f.integer);
            return;
        default:
            out += "null";
    }
}

// Appends one table; fails when a row is damaged.
Status dump_table(std::string& out, jet::Table& t) {
    out += "{\"name\":";
    put_json_string(out, t.name());
    out += ",\"rowCount\":" + std::to_string(t.stored_row_count());
    out += ",\"rowsRead\":" + std::to_string(t.record_count()) + ",\"columns\":[";
    const auto& cols = t.columns();
    for (size_t i = 0; i < cols.size(); ++i) {
        const jet::Column& c = cols[i];
        out += i ? ",\n  {\"name\":" : "\n  {\"name\":";
        put_json_string(out, c.name);
        out += std::string(",\"type\":\"") + type_name(c.type) + "\"";
        out += ",\"size\":" + std::to_string(c.type == jet::kTypeBoolean ? 0 : c.length);
        out += std::string(",\"fixedLength\":") + (c.fixed() ? "true" : "false");
        out += std::string(",\"nullable\":") + (c.flags & 0x02 ? "true" : "false") + "}";
    }
    out += "],\"rows\":[";
    jet::Field f;
    bool first = true;
    for (t.move_first(); !t.eof(); t.move_next()) {
        out += first ? "\n  {" : ",\n  {";
        first = false;
        for (size_t i = 0; i < cols.size(); ++i) {
            if (Status read = t.read(i, f); !read.ok()) return read;
            if (i) out += ',';
            put_json_string(out, cols[i].name);
            out += ':';
            put_value(out, cols[i], f);
        }
        out += '}';
    }
    out += "]}";
    return Status();
}

int run_dump(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::fprintf(stderr, "usage: yanqing-server dump FILE.mdb [TABLE...]\n");
        return 2;
    }
    const std::string& path = args[0];
    Result<std::unique_ptr<jet::Database>> opened = jet::Database::open(path);
    if (!opened) {
        std::fprintf(stderr, "yanqing-server dump: %s\n", opened.status().message().c_str());
        return 1;
    }
    const std::unique_ptr<jet::Database>& db = *opened;
    std::vector<std::u16string> names;
    if (args.size() > 1) {
        for (size_t i = 1; i < args.size(); ++i) names.push_back(utf8_to_utf16(args[i]));
    } else {
        names = db->table_names();
    }
    size_t slash = path.find_last_of('/');
    std::string out = "{\"file\":";
    put_json_string(out, utf8_to_utf16(slash == std::string::npos ? path : path.substr(slash + 1)));
    out += ",\"tables\":[";
    for (size_t i = 0; i < names.size(); ++i) {
        Result<std::unique_ptr<jet::Table>> t = db->open_table(names[i]);
        if (!t) {
            bool missing = t.status().code() == StatusCode::kNotFound;
            std::fprintf(stderr, "yanqing-server dump: %s: %s\n", path.c_str(),
                         missing ? ("no table named '" + utf16_to_utf8(names[i]) + "'").c_str()
                                 : t.status().message().c_str());
            return 1;
        }
        if (i) out += ",\n";
        if (Status dumped = dump_table(out, **t); !dumped.ok()) {
            std::fprintf(stderr, "yanqing-server dump: table '%s': %s\n",
                         utf16_to_utf8(names[i]).c_str(), dumped.message().c_str());
            return 1;
        }
    }
    out += "]}\n";
    return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0
               ? 0
               : 1;
}

Command reg{"dump", "FILE.mdb [TABLE...]",
            "print tables of an Access (Jet 4) file as JSON: text as stored, binary as hex",
            run_dump};

}  // namespace
}  // namespace yq::server
