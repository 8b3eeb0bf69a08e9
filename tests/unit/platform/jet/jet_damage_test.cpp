// Damaged files: every truncation and many single-byte changes of a small
// file made by our writer give a description or the right values, never a
// crash (the unit tests run under AddressSanitizer) and never a hang.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "platform/jet/jet_reader.h"
#include "platform/jet/jet_writer.h"
#include "tests/unit/platform/jet/jet_test_util.h"
#include "tests/support/status_assert.h"

namespace yq::jet {
namespace {

// A small file with inline, single-page and chained long values.
Bytes small_database() {
    TableDef t{u"t",
               {{u"name", ColumnType::Text},
                {u"pic", ColumnType::LongBinary},
                {u"memo", ColumnType::Memo}},
               {}};
    const size_t sizes[] = {5, 300, 9000};
    for (int i = 0; i < 3; ++i) {
        Bytes b(sizes[i]);
        for (size_t k = 0; k < b.size(); ++k) b[k] = uint8_t(k + i);
        t.rows.push_back({std::u16string(u"字体") + char16_t(u'0' + i), b,
                          std::u16string(size_t(40 * i), u'm')});
    }
    std::string path = (std::filesystem::temp_directory_path() /
                        ("yq_jet_damage_" + std::to_string(::getpid()) + ".mdb"))
                           .string();
    EXPECT_TRUE(test::IsOk(write_database(path, {t})));
    std::string bytes;
    EXPECT_TRUE(test::read_whole_file(path, bytes));
    std::remove(path.c_str());
    return test::to_bytes(bytes);
}

TEST(JetDamage, EveryTruncatedPrefixFailsWithADescription) {
    Bytes whole = small_database();
    ASSERT_GT(whole.size(), 4 * kPageSize);
    std::string good;
    auto db_r = Database::open_memory(whole);
    ASSERT_TRUE(test::IsOk(db_r));
    auto& db = *db_r;
    ASSERT_TRUE(test::IsOk(test::read_everything(*db, &good)));
    for (size_t n = 0; n < whole.size(); ++n) {
        Bytes prefix(whole.begin(), whole.begin() + long(n));
        auto cut = Database::open_memory(prefix);
        if (n % kPageSize != 0) {
            // A file that does not end on a page boundary is refused outright:
            // too short to be one, or truncated.
            ASSERT_FALSE(cut) << n;
            const StatusCode want = n <= 0x14 ? StatusCode::kNotRecognised : StatusCode::kCorrupt;
            ASSERT_EQ(cut.status().code(), want) << n << ": " << cut.status().message();
            ASSERT_FALSE(cut.status().message().empty());
            continue;
        }
        std::string digest;
        Status read = cut.ok() ? test::read_everything(**cut, &digest) : cut.status();
        EXPECT_TRUE(!read.ok() || digest == good) << "prefix " << n;
        if (!read.ok()) {
            EXPECT_FALSE(read.message().empty()) << n;
        }
    }
}

TEST(JetDamage, ChangedBytesNeverCrash) {
    Bytes whole = small_database();
    std::string good;
    auto db_r = Database::open_memory(whole);
    ASSERT_TRUE(test::IsOk(db_r));
    auto& db = *db_r;
    ASSERT_TRUE(test::IsOk(test::read_everything(*db, &good)));
    size_t failures = 0;
    // Every byte in use (page headers, slot tables, rows; not the zero free
    // space between them), each set to values that stress offsets, counts
    // and flags.
    for (size_t at = 0; at < whole.size(); ++at) {
        if (whole[at] == 0 && at % kPageSize >= 64) continue;
        for (uint8_t v : {uint8_t(whole[at] ^ 0xFF), uint8_t(0x40)}) {
            if (v == whole[at]) continue;
            Bytes bad = whole;
            bad[at] = v;
            std::string digest;
            auto d = Database::open_memory(std::move(bad));
            Status read = d.ok() ? test::read_everything(**d, &digest) : d.status();
            if (!read.ok()) {
                ASSERT_FALSE(read.message().empty()) << "byte " << at;
                ++failures;
            }
        }
    }
    EXPECT_GT(failures, 0u);  // some damage must be noticed
}

TEST(JetDamage, LoopingChainsAndDefinitionsEnd) {
    Bytes whole = small_database();
    // Point every table-definition page at itself as its continuation.
    Bytes looped = whole;
    for (size_t pg = 0; pg < looped.size() / kPageSize; ++pg)
        if (looped[pg * kPageSize] == 0x02) {
            uint32_t self = uint32_t(pg);
            std::memcpy(&looped[pg * kPageSize + 4], &self, 4);
        }
    auto looping = Database::open_memory(looped);
    ASSERT_FALSE(looping);
    EXPECT_EQ(looping.status().code(), StatusCode::kCorrupt);
    EXPECT_NE(looping.status().message().find("damaged"), std::string::npos)
        << looping.status().message();

    // Point the last segment of the chained value at itself.
    Bytes chain = whole;
    auto db_r = Database::open_memory(chain);
    ASSERT_TRUE(test::IsOk(db_r));
    auto& db = *db_r;
    auto t_r = db->open_table(u"t");
    ASSERT_TRUE(test::IsOk(t_r));
    auto& t = *t_r;
    t->move_to(2);
    ASSERT_EQ(t->bytes(u"pic").size(), 9000u);
    bool patched = false;
    for (size_t pg = 1; pg < chain.size() / kPageSize && !patched; ++pg) {
        uint8_t* p = &chain[pg * kPageSize];
        if (p[0] != 0x01 || std::memcmp(p + 4, "LVAL", 4) != 0) continue;
        uint16_t rows = uint16_t(p[12] | p[13] << 8);
        for (uint16_t r = 0; r < rows; ++r) {
            uint16_t off = uint16_t(p[14 + 2 * r] | p[15 + 2 * r] << 8) & 0x1FFF;
            uint16_t end = r == 0 ? 4096 : uint16_t(p[12 + 2 * r] | p[13 + 2 * r] << 8) & 0x1FFF;
            if (end - off == 4 + (9000 - 2 * 4072)) {  // the last segment: link then 856 bytes
                uint32_t self = uint32_t(pg) << 8 | r;
                std::memcpy(p + off, &self, 4);
                patched = true;
            }
        }
    }
    ASSERT_TRUE(patched);
    auto db2_r = Database::open_memory(chain);
    ASSERT_TRUE(test::IsOk(db2_r));
    auto& db2 = *db2_r;
    auto t2_r = db2->open_table(u"t");
    ASSERT_TRUE(test::IsOk(t2_r));
    auto& t2 = *t2_r;
    t2->move_to(2);
    Field f;
    Status read = t2->read(1, f);
    EXPECT_EQ(read.code(), StatusCode::kCorrupt);
    EXPECT_NE(read.message().find("damaged"), std::string::npos) << read.message();
}

}  // namespace
}  // namespace yq::jet
