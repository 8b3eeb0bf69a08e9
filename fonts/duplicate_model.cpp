#include "fonts/duplicate_model.h"

#include <map>

namespace yq {
namespace {

// The face as a key: surrounding spaces gone, ASCII letters in lower case.
std::string face_key(std::string_view face) {
    while (!face.empty() && face.front() == ' ') face.remove_prefix(1);
    while (!face.empty() && face.back() == ' ') face.remove_suffix(1);
    std::string key;
    key.reserve(face.size());
    for (size_t i = 0; i < face.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(face[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < face.size()) {
            // A GBK pair: both bytes as they are (the trail byte may be a letter).
            key += face[i];
            key += face[++i];
        } else {
            key += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
    }
    return key;
}

// The faces' groups, by key, in the order of their first file.
std::vector<std::vector<size_t>> groups_by_face(const std::vector<FontFileFacts>& facts) {
    std::map<std::string, size_t> index;
    std::vector<std::vector<size_t>> groups;
    for (size_t i = 0; i < facts.size(); ++i) {
        const std::string key = face_key(facts[i].face);
        if (key.empty()) continue;  // a file with no face is no one's copy
        auto [at, added] = index.emplace(key, groups.size());
        if (added) groups.emplace_back();
        groups[at->second].push_back(i);
    }
    return groups;
}

// The numbers of the first run of digits and dots.
std::vector<uint64_t> version_numbers(std::string_view text) {
    std::vector<uint64_t> numbers;
    size_t i = 0;
    while (i < text.size() && !(text[i] >= '0' && text[i] <= '9')) ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        uint64_t n = 0;
        // Nine digits at most count: a longer number is no version anyone wrote.
        int digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            if (digits++ < 9) n = n * 10 + static_cast<uint64_t>(text[i] - '0');
            ++i;
        }
        numbers.push_back(n);
        if (i + 1 < text.size() && text[i] == '.' && text[i + 1] >= '0' && text[i + 1] <= '9') {
            ++i;
        } else {
            break;
        }
    }
    return numbers;
}

}  // namespace

int version_order(std::string_view a, std::string_view b) {
    std::vector<uint64_t> x = version_numbers(a), y = version_numbers(b);
    if (x.empty() || y.empty()) return x.empty() == y.empty() ? 0 : (x.empty() ? -1 : 1);
    const size_t n = std::max(x.size(), y.size());
    x.resize(n, 0);
    y.resize(n, 0);
    for (size_t i = 0; i < n; ++i) {
        if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
    }
    return 0;
}

std::vector<size_t> files_to_digest(const std::vector<FontFileFacts>& facts) {
    std::vector<size_t> out;
    for (const std::vector<size_t>& group : groups_by_face(facts)) {
        for (size_t i : group) {
            for (size_t j : group) {
                if (i != j && facts[i].size == facts[j].size) {
                    out.push_back(i);
                    break;
                }
            }
        }
    }
    return out;
}

std::vector<DuplicateGroup> find_duplicates(const std::vector<FontFileFacts>& facts) {
    std::vector<DuplicateGroup> out;
    for (std::vector<size_t>& files : groups_by_face(facts)) {
        if (files.size() < 2) continue;
        DuplicateGroup g;
        const std::optional<Sha256Digest>& first = facts[files[0]].digest;
        bool same = first.has_value();
        for (size_t i : files) same = same && facts[i].digest == first;
        g.kind = same ? DuplicateGroup::Kind::SameBytes : DuplicateGroup::Kind::SameFace;
        g.keep = files[0];
        for (size_t i : files) {
            const FontFileFacts &f = facts[i], &k = facts[g.keep];
            const int order = version_order(f.version, k.version);
            if (order > 0 || (order == 0 && f.write_time > k.write_time)) g.keep = i;
        }
        g.files = std::move(files);
        out.push_back(std::move(g));
    }
    return out;
}

}  // namespace yq
