#include "server/lib/catalogue_index.h"

#include "server/lib/request_target.h"

namespace yq::server {

std::string format_index(const std::vector<IndexEntry>& entries) {
    std::string out(kIndexHeader);
    out += '\n';
    for (const IndexEntry& e : entries) {
        out += e.key + '\t' + e.group + '\t' + e.category + '\t' + e.face_name + '\t' + e.source;
        out += '\n';
    }
    return out;
}

std::vector<IndexEntry> parse_index(std::string_view text, std::vector<std::string>* problems) {
    std::vector<IndexEntry> out;
    size_t line_no = 0;
    while (!text.empty()) {
        size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        ++line_no;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;

        std::vector<std::string> fields;
        size_t start = 0;
        for (;;) {
            size_t tab = line.find('\t', start);
            fields.emplace_back(line.substr(start, tab - start));
            if (tab == std::string_view::npos) break;
            start = tab + 1;
        }
        if (fields.size() != 5 || !is_valid_font_key(fields[0]) || fields[3].empty()) {
            if (problems)
                problems->push_back("line " + std::to_string(line_no) +
                                    ": expected key, group, category, face name, file");
            continue;
        }
        out.push_back({fields[0], fields[1], fields[2], fields[3], fields[4]});
    }
    return out;
}

}  // namespace yq::server
