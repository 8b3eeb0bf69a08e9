#include "platform/zip/zip_reader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace yq::zip {
namespace {

struct Item {
    std::string name;  // as stored (bytes)
    std::string data;
    bool deflate = true;
    uint16_t flags = 0;
    uint32_t claimed_size = 0;  // 0: the real size
};

void put16(std::string& s, uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8 & 0xFF));
}
void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

std::string raw_deflate(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// A zip as the common tools write it: local headers and data, the central
// directory, the end record.
std::string make_zip(const std::vector<Item>& items) {
    std::string body, directory;
    for (const Item& it : items) {
        const std::string stored = it.deflate ? raw_deflate(it.data) : it.data;
        const uint32_t crc = static_cast<uint32_t>(crc32(
            0, reinterpret_cast<const Bytef*>(it.data.data()), static_cast<uInt>(it.data.size())));
        const uint32_t size =
            it.claimed_size ? it.claimed_size : static_cast<uint32_t>(it.data.size());
        const uint32_t local = static_cast<uint32_t>(body.size());
        for (std::string* s : {&body, &directory}) {
            const bool central = s == &directory;
            put32(*s, central ? 0x02014b50 : 0x04034b50);
            if (central) put16(*s, 20);
            put16(*s, 20);
            put16(*s, it.flags);
            put16(*s, it.deflate ? 8 : 0);
            put32(*s, 0);  // time, date
            put32(*s, crc);
            put32(*s, static_cast<uint32_t>(stored.size()));
            put32(*s, size);
            put16(*s, static_cast<uint32_t>(it.name.size()));
            put16(*s, 0);
            if (central) {
                put16(*s, 0);  // comment
                put16(*s, 0);  // disk
                put16(*s, 0);
                put32(*s, 0);
                put32(*s, local);
            }
            *s += it.name;
            if (!central) *s += stored;
        }
    }
    std::string zip = body + directory;
    put32(zip, 0x06054b50);
    put16(zip, 0);
    put16(zip, 0);
    put16(zip, static_cast<uint32_t>(items.size()));
    put16(zip, static_cast<uint32_t>(items.size()));
    put32(zip, static_cast<uint32_t>(directory.size()));
    put32(zip, static_cast<uint32_t>(body.size()));
    put16(zip, 7);
    zip += "comment";
    return zip;
}

std::string extract(MemorySource& src, const Entry& e, Status* outcome) {
    std::string out;
    *outcome = extract_zip(src, e, [&](ByteSpan piece) {
        out.append(piece.begin(), piece.end());
        return true;
    });
    return out;
}

TEST(ZipReader, ReadsStoredAndDeflatedEntriesAndNamesNoPath) {
    std::string big(300000, 'a');
    for (size_t i = 0; i < big.size(); i += 7) big[i] = static_cast<char>(i * 31);
    const std::string zip = make_zip({
        {"fonts/Hei.ttf", big},
        {"Song.otf", "short and stored", false},
        {"\xE5\xAE\x8B\xE4\xBD\x93.ttf", "utf-8 name", true, 1 << 11},  // 宋体.ttf in UTF-8
        {"\xCB\xCE\xCC\xE5.ttc", "gbk name"},                           // 宋体.ttc in GBK
        {"../evil.ttf", "x"},
        {"sub\\CON.ttf", "x"},
        {"dir/", ""},
        {"locked.ttf", "secret", true, 1},
        {"huge.ttf", "claims a gigabyte", true, 0, 1u << 30},
    });
    MemorySource src(as_span(zip));
    auto listed = list_zip(src, 128u << 20);
    ASSERT_TRUE(listed.ok()) << listed.status().message();
    const std::vector<Entry>& entries = *listed;
    ASSERT_EQ(entries.size(), 9u);
    EXPECT_EQ(entries[0].file_name, "Hei.ttf");
    EXPECT_EQ(entries[2].name, "\xCB\xCE\xCC\xE5.ttf");  // converted to GBK
    EXPECT_EQ(entries[3].file_name, "\xCB\xCE\xCC\xE5.ttc");
    EXPECT_EQ(entries[4].file_name, "evil.ttf");  // the last part only, never a path
    EXPECT_EQ(entries[5].file_name, "");          // a device: no name at all
    EXPECT_EQ(entries[6].state, EntryState::Folder);
    EXPECT_EQ(entries[7].state, EntryState::Encrypted);
    EXPECT_EQ(entries[8].state, EntryState::TooLarge);
    Status o;
    EXPECT_EQ(extract(src, entries[0], &o), big);
    EXPECT_TRUE(o.ok()) << o.message();
    EXPECT_EQ(extract(src, entries[1], &o), "short and stored");
    EXPECT_TRUE(o.ok()) << o.message();
    extract(src, entries[7], &o);
    EXPECT_EQ(o.code(), StatusCode::kUnsupported);
    extract(src, entries[8], &o);
    EXPECT_EQ(o.code(), StatusCode::kUnsupported);
    // An entry whose stream yields more than its size is stopped there.
    Entry lying = entries[0];
    lying.size = 1000;
    extract(src, lying, &o);
    EXPECT_EQ(o.code(), StatusCode::kTooLarge);
}

TEST(ZipReader, DamageGivesAnOutcomeNeverACrash) {
    const std::string zip = make_zip({{"a.ttf", std::string(5000, 'z')}, {"b.ttf", "bee", false}});
    {
        const std::string text = "not a zip at all, just some text";
        MemorySource src(as_span(text));
        EXPECT_EQ(list_zip(src, 1 << 20).status().code(), StatusCode::kNotRecognised);
    }
    // Every truncated prefix loses part of the end record, or the directory
    // it points at: nothing is listed. Only the archive's comment after the
    // end record can go.
    const size_t needed = zip.size() - std::string("comment").size();
    for (size_t n = 0; n < zip.size(); ++n) {
        const std::string cut = zip.substr(0, n);
        MemorySource src(as_span(cut));
        auto listed = list_zip(src, 1 << 20);
        ASSERT_EQ(listed.ok(), n >= needed) << n;
        if (!listed) {
            EXPECT_FALSE(listed.status().message().empty());
            continue;
        }
        for (const Entry& e : *listed) {
            Status o;
            EXPECT_EQ(extract(src, e, &o).size(), e.size);
            EXPECT_TRUE(o.ok()) << o.message();
        }
    }
    for (size_t i = 0; i < zip.size(); ++i) {
        std::string bad = zip;
        bad[i] = static_cast<char>(bad[i] ^ 0x41);
        MemorySource src(as_span(bad));
        const std::vector<Entry> entries = list_zip(src, 1 << 20).value_or(std::vector<Entry>());
        for (const Entry& e : entries) {
            Status o;
            std::string data = extract(src, e, &o);
            // Whatever is accepted came out whole and checked.
            if (o.ok()) {
                EXPECT_EQ(data.size(), e.size) << i;
            }
        }
    }
    // A changed byte inside a stored entry's data fails its CRC.
    std::string flipped = zip;
    flipped[flipped.find("bee")] = 'B';
    MemorySource src(as_span(flipped));
    const std::vector<Entry> entries = list_zip(src, 1 << 20).value_or(std::vector<Entry>());
    ASSERT_EQ(entries.size(), 2u);
    Status o;
    extract(src, entries[1], &o);
    EXPECT_EQ(o.code(), StatusCode::kCorrupt);
}

}  // namespace
}  // namespace yq::zip
