#include "fonts/install_record.h"

#include <algorithm>

#include "base/checksum.h"
#include "base/text.h"

namespace yq {
namespace {

constexpr char kMagic[] = "YQINST01";
constexpr size_t kMagicBytes = 8;
constexpr size_t kChecksumBytes = 4;
// Scope, two name lengths of one and two bytes, size, digest.
constexpr size_t kMinRecordBytes = 1 + 1 + 1 + 2 + 1 + 8 + 32;

void put_le(std::string& out, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
}

bool storable(const InstallRecord& r) {
    return !r.value_name.empty() && r.value_name.size() <= kMaxRecordedValueBytes &&
           !r.file_name.empty() && r.file_name.size() <= kMaxRecordedFileBytes &&
           r.file_name.find_first_of("\\/:") == std::string::npos;
}

bool known_scope(uint8_t scope) {
    return scope == static_cast<uint8_t>(FontScope::Machine) ||
           scope == static_cast<uint8_t>(FontScope::User);
}

}  // namespace

bool same_name_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (is_gbk_lead(x) && i + 1 < a.size()) {
            // A trail byte may be a letter; it belongs to its character.
            if (x != y || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

const InstallRecord* InstallRecords::find_value(FontScope scope,
                                                std::string_view value_name) const {
    for (const InstallRecord& r : records_) {
        if (r.scope == scope && same_name_ignoring_case(r.value_name, value_name)) return &r;
    }
    return nullptr;
}

void InstallRecords::put(InstallRecord record) {
    forget_value(record.scope, record.value_name);
    records_.push_back(std::move(record));
}

bool InstallRecords::forget_value(FontScope scope, std::string_view value_name) {
    auto gone = std::remove_if(records_.begin(), records_.end(), [&](const InstallRecord& r) {
        return r.scope == scope && same_name_ignoring_case(r.value_name, value_name);
    });
    bool found = gone != records_.end();
    records_.erase(gone, records_.end());
    return found;
}

std::string serialize_install_records(const InstallRecords& records) {
    std::string out(kMagic, kMagicBytes);
    size_t count_at = out.size();
    put_le(out, 0, 4);
    uint32_t count = 0;
    for (const InstallRecord& r : records.all()) {
        if (!storable(r)) continue;  // could not be read back: leave it out
        put_le(out, static_cast<uint8_t>(r.scope), 1);
        put_le(out, r.value_name.size(), 1);
        out += r.value_name;
        put_le(out, r.file_name.size(), 2);
        out += r.file_name;
        put_le(out, r.size, 8);
        out.append(reinterpret_cast<const char*>(r.digest.data()), r.digest.size());
        ++count;
    }
    for (int i = 0; i < 4; ++i) out[count_at + i] = static_cast<char>(count >> (8 * i) & 0xFF);
    put_le(out, crc32_of(as_span(out)), 4);
    return out;
}

bool parse_install_records(ByteSpan bytes, InstallRecords& out) {
    out = InstallRecords();
    if (bytes.size() < kMagicBytes + 4 + kChecksumBytes) return false;
    const size_t body = bytes.size() - kChecksumBytes;
    if (load_u32le(bytes, body) != crc32_of(bytes.first(body))) return false;
    ByteReader r(bytes.first(body));
    ByteSpan magic = r.bytes(kMagicBytes);
    if (!std::equal(magic.begin(), magic.end(), kMagic)) return false;
    const size_t count = r.u32le();
    if (count > kMaxInstallRecords || count > r.remaining() / kMinRecordBytes) return false;
    InstallRecords parsed;
    for (size_t i = 0; i < count; ++i) {
        InstallRecord rec;
        uint8_t scope = r.u8();
        ByteSpan value = r.bytes(r.u8());
        ByteSpan file = r.bytes(r.u16le());
        rec.size = r.u64le();
        ByteSpan digest = r.bytes(rec.digest.size());
        if (!r.ok() || !known_scope(scope)) return false;
        rec.scope = static_cast<FontScope>(scope);
        rec.value_name.assign(value.begin(), value.end());
        rec.file_name.assign(file.begin(), file.end());
        std::copy(digest.begin(), digest.end(), rec.digest.begin());
        if (!storable(rec) || parsed.find_value(rec.scope, rec.value_name)) return false;
        parsed.put(std::move(rec));
    }
    if (r.remaining() != 0) return false;
    out = std::move(parsed);
    return true;
}

std::string name_key(std::string_view face) {
    std::string key = strip_blanks(face);
    for (size_t i = 0; i < key.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(key[i]);
        if (is_gbk_lead(c) && i + 1 < key.size()) {
            ++i;  // the trail byte is part of the character, never a letter
        } else if (c >= 'a' && c <= 'z') {
            key[i] = static_cast<char>(c - 'a' + 'A');
        }
    }
    return key;
}

std::vector<std::string> faces_of_value_name(std::string_view value_name) {
    std::string_view faces = value_name;
    // " (TrueType)", " (OpenType)", "(All res)": '(' and ')' are below 0x40,
    // so neither is ever the trail byte of a GBK character.
    while (!faces.empty() && faces.back() == ' ') faces.remove_suffix(1);
    if (!faces.empty() && faces.back() == ')') {
        size_t open = faces.rfind('(');
        if (open != std::string_view::npos) faces = faces.substr(0, open);
    }
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= faces.size()) {
        size_t amp = faces.find('&', start);
        std::string_view part = faces.substr(
            start, amp == std::string_view::npos ? std::string_view::npos : amp - start);
        std::string key = name_key(part);
        if (!key.empty() && std::find(out.begin(), out.end(), key) == out.end())
            out.push_back(std::move(key));
        if (amp == std::string_view::npos) break;
        start = amp + 1;
    }
    return out;
}

InstallVerdict judge_install(const std::vector<FaceClaim>& claims) {
    bool all_same = true, registered = false;
    for (const FaceClaim& c : claims) {
        if (!c.ours && !c.same_bytes) return InstallVerdict::TakenByAnother;
        all_same = all_same && c.same_bytes;
        registered = registered || (c.same_bytes && c.registered);
    }
    return all_same && registered ? InstallVerdict::AlreadyThere : InstallVerdict::Install;
}

}  // namespace yq
