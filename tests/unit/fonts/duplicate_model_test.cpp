#include "fonts/duplicate_model.h"

#include <gtest/gtest.h>

namespace yq {
namespace {

Sha256Digest digest_of(uint8_t b) {
    Sha256Digest d{};
    d.fill(b);
    return d;
}

FontFileFacts file(std::string path, std::string face, uint64_t size, std::string version = "",
                   uint64_t write_time = 0) {
    FontFileFacts f;
    f.path = std::move(path);
    f.face = std::move(face);
    f.size = size;
    f.version = std::move(version);
    f.write_time = write_time;
    return f;
}

TEST(Duplicates, OnlyFilesOfOneFaceAndOneSizeAreHashedAndSameBytesAreOneGroup) {
    std::vector<FontFileFacts> facts = {
        file("C:\\Windows\\Fonts\\simhei.ttf", "\xBA\xDA\xCC\xE5", 100),  // 黑体
        file("C:\\Windows\\Fonts\\arial.ttf", "Arial", 100),              // same size, other face
        file("C:\\Windows\\Fonts\\simhei (2).ttf", "\xBA\xDA\xCC\xE5",
             100),                                               // the program's numbered copy
        file("D:\\fonts\\heiti.ttf", "\xBA\xDA\xCC\xE5 ", 100),  // a copy under another name
        file("C:\\Windows\\Fonts\\simhei-old.ttf", "\xBA\xDA\xCC\xE5",
             90),  // no other file of its size
        file("C:\\Windows\\Fonts\\nameless.ttf", "", 100),
    };
    EXPECT_EQ(files_to_digest(facts), (std::vector<size_t>{0, 2, 3}));

    for (size_t i : {0, 2, 3}) facts[i].digest = digest_of(7);
    std::vector<DuplicateGroup> groups = find_duplicates(facts);
    ASSERT_EQ(groups.size(), 1u);  // Arial and the nameless file are alone
    // simhei-old has no digest: the group is one face, not one set of bytes.
    EXPECT_EQ(groups[0].kind, DuplicateGroup::Kind::SameFace);
    EXPECT_EQ(groups[0].files, (std::vector<size_t>{0, 2, 3, 4}));

    facts.erase(facts.begin() + 4);
    groups = find_duplicates(facts);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].kind, DuplicateGroup::Kind::SameBytes);
    EXPECT_EQ(groups[0].keep, 0u);  // nothing to choose by: the first stays

    facts[3].digest = digest_of(8);  // same size, other bytes
    EXPECT_EQ(find_duplicates(facts)[0].kind, DuplicateGroup::Kind::SameFace);
}

TEST(Duplicates, TheHighestVersionThenTheNewestFileIsKept) {
    std::vector<FontFileFacts> facts = {
        file("a.ttf", "Yq Sans", 10, "Version 2.9", 300),
        file("b.ttf", "YQ SANS", 11, "Version 2.10;PS 2.10", 100),
        file("c.ttf", "yq sans", 12, "2.010", 200),
    };
    std::vector<DuplicateGroup> groups = find_duplicates(facts);
    ASSERT_EQ(groups.size(), 1u);
    // 2.10 and 2.010 are one version, above 2.9; c is the newer of the two.
    EXPECT_EQ(groups[0].keep, 2u);
    facts[2].write_time = 50;
    EXPECT_EQ(find_duplicates(facts)[0].keep, 1u);
    facts[0].version = "";
    facts[1].version = facts[2].version = "no number";
    EXPECT_EQ(find_duplicates(facts)[0].keep, 0u);  // no versions: the newest
}

TEST(Duplicates, GbkTrailBytesAreNotFoldedAsLetters) {
    // 0x81 0x41 and 0x81 0x61 are two GBK characters, not one letter in two cases.
    std::vector<FontFileFacts> facts = {file("a.ttf", "\x81\x41", 1), file("b.ttf", "\x81\x61", 1)};
    EXPECT_TRUE(find_duplicates(facts).empty());
    EXPECT_TRUE(files_to_digest(facts).empty());
}

TEST(VersionOrder, NumbersCompareOneByOne) {
    EXPECT_EQ(version_order("Version 2.10", "Version 2.9"), 1);
    EXPECT_EQ(version_order("1.0", "1"), 0);
    EXPECT_EQ(version_order("1.0.1", "1"), 1);
    EXPECT_EQ(version_order("", "0.1"), -1);
    EXPECT_EQ(version_order("abc", ""), 0);
    EXPECT_EQ(version_order("v3.", "v3"), 0);  // a dot with no number after it ends the run
    EXPECT_EQ(version_order("99999999999999999999", "1"), 1);  // no overflow
}

}  // namespace
}  // namespace yq
