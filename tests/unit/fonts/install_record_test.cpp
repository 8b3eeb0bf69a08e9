#include "fonts/install_record.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace yq {
namespace {

InstallRecords sample() {
    InstallRecords r;
    Sha256Digest a{}, b{};
    a.fill(0xA5);
    b[31] = 1;
    r.put({FontScope::Machine, "探针黑体 (TrueType)", "ProbeHei.ttf", 123456, a});
    r.put({FontScope::User, "探针黑体 (TrueType)", "ProbeHei_2.ttf", 1, b});
    r.put({FontScope::Machine, std::string(255, 'v'), std::string(1024, 'f'), ~0ull, b});
    return r;
}

void reseal(std::string& bytes) {
    bytes.resize(bytes.size() - 4);
    uLong crc =
        crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(crc >> (8 * i) & 0xFF));
}

TEST(InstallRecords, RoundTripAndOneRecordPerValueOfAScope) {
    InstallRecords in = sample();
    // Registry value names compare without ASCII case: the same value again
    // replaces its record.
    in.put({FontScope::Machine, "探针黑体 (TRUETYPE)", "ProbeHei.ttf", 7, {}});
    // What could not be read back is left out.
    in.put({FontScope::Machine, "", "x.ttf", 1, {}});
    in.put({FontScope::Machine, "Folder (TrueType)", "..\\x.ttf", 1, {}});
    in.put({FontScope::Machine, std::string(256, 'v'), "x.ttf", 1, {}});
    InstallRecords out;
    ASSERT_TRUE(parse_install_records(as_span(serialize_install_records(in)), out));
    ASSERT_EQ(out.all().size(), 3u);
    const InstallRecord* hei = out.find_value(FontScope::Machine, "探针黑体 (truetype)");
    ASSERT_NE(hei, nullptr);
    EXPECT_EQ(hei->size, 7u);
    const InstallRecord* user = out.find_value(FontScope::User, "探针黑体 (TrueType)");
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(user->file_name, "ProbeHei_2.ttf");
    EXPECT_EQ(user->digest, sample().find_value(FontScope::User, "探针黑体 (TrueType)")->digest);
    EXPECT_EQ(out.find_value(FontScope::Machine, std::string(255, 'v'))->size, ~0ull);
    EXPECT_TRUE(out.forget_value(FontScope::User, "探针黑体 (TrueType)"));
    EXPECT_FALSE(out.forget_value(FontScope::User, "探针黑体 (TrueType)"));
    EXPECT_EQ(out.find_value(FontScope::User, "探针黑体 (TrueType)"), nullptr);
    ASSERT_TRUE(parse_install_records(as_span(serialize_install_records({})), out));
    EXPECT_TRUE(out.empty());
}

TEST(InstallRecords, RefusesDamagedStoresAsAWhole) {
    const std::string good = serialize_install_records(sample());
    InstallRecords out;
    for (size_t n = 0; n < good.size(); ++n) {
        EXPECT_FALSE(parse_install_records(as_span(good.substr(0, n)), out)) << n;
        EXPECT_TRUE(out.empty());
    }
    for (size_t i = 0; i < good.size(); ++i) {
        std::string bad = good;
        bad[i] = static_cast<char>(bad[i] ^ 0x10);
        EXPECT_FALSE(parse_install_records(as_span(bad), out)) << i;
    }
    // Sealed with a right checksum, but not a store we wrote.
    std::string bad = good;
    bad[8 + 4] = 2;  // an unknown scope
    reseal(bad);
    EXPECT_FALSE(parse_install_records(as_span(bad), out));
    bad = good;
    bad.insert(bad.size() - 4, "x");  // bytes after the last record
    reseal(bad);
    EXPECT_FALSE(parse_install_records(as_span(bad), out));
    bad = good;
    bad[8] = static_cast<char>(0xFF);  // more records than there are bytes
    reseal(bad);
    EXPECT_FALSE(parse_install_records(as_span(bad), out));
    // A value recorded twice for one scope cannot be told apart.
    InstallRecords single;
    single.put({FontScope::Machine, "A (TrueType)", "a.ttf", 1, {}});
    std::string s = serialize_install_records(single);
    std::string record = s.substr(12, s.size() - 16);
    std::string two = s.substr(0, 8) + std::string("\x02\0\0\0", 4) + record + record + "1234";
    reseal(two);
    EXPECT_FALSE(parse_install_records(as_span(two), out));
}

TEST(FaceNames, KeysAndTheFacesAValueNameStandsFor) {
    EXPECT_EQ(name_key("Arial Black"), "ARIALBLACK");
    EXPECT_EQ(name_key("探针　宽体"), "探针宽体");  // full-width blank
    // "\xD5\x61" is a GBK character whose trail byte is 'a': never a letter.
    EXPECT_EQ(name_key("\xD5\x61x"), "\xD5\x61X");
    EXPECT_TRUE(same_name_ignoring_case("Arial (TrueType)", "ARIAL (truetype)"));
    EXPECT_FALSE(same_name_ignoring_case("\xD5\x61", "\xD5\x41"));

    using V = std::vector<std::string>;
    EXPECT_EQ(faces_of_value_name("黑体 (TrueType)"), V{"黑体"});
    EXPECT_EQ(faces_of_value_name("宋体 & 新宋体 (TrueType)"), (V{"宋体", "新宋体"}));
    EXPECT_EQ(faces_of_value_name("SimSun & NSimSun (TrueType)"), (V{"SIMSUN", "NSIMSUN"}));
    EXPECT_EQ(faces_of_value_name("Arial Bold (OpenType)"), V{"ARIALBOLD"});
    EXPECT_EQ(faces_of_value_name("Courier 10,12,15"), V{"COURIER10,12,15"});
    EXPECT_EQ(faces_of_value_name("MS Sans Serif 8,10,12,14,18,24 (VGA res)"),
              V{"MSSANSSERIF8,10,12,14,18,24"});
    EXPECT_EQ(faces_of_value_name(" & (TrueType)"), V{});
    EXPECT_EQ(faces_of_value_name(""), V{});
}

TEST(InstallVerdict, AnotherFontsClaimRefusesAndTheSameBytesRegisteredNeedNothing) {
    FaceClaim foreign{"黑体 (TrueType)", false, false, true};
    FaceClaim loaded_foreign{"宋体", false, false, false};  // a Fonts-folder file, unregistered
    FaceClaim ours{"探针黑体 (TrueType)", true, false, true};
    FaceClaim identical{"simhei.ttf", false, true, true};
    FaceClaim identical_loaded{"SimHei", false, true, false};
    FaceClaim ours_identical{"探针黑体 (TrueType)", true, true, true};
    EXPECT_EQ(judge_install({}), InstallVerdict::Install);
    EXPECT_EQ(judge_install({ours}), InstallVerdict::Install);  // a new version of our own
    EXPECT_EQ(judge_install({ours, identical}), InstallVerdict::Install);
    EXPECT_EQ(judge_install({identical, ours_identical}), InstallVerdict::AlreadyThere);
    EXPECT_EQ(judge_install({identical_loaded, identical}), InstallVerdict::AlreadyThere);
    // Loaded with these bytes but registered nowhere: registering it is the install.
    EXPECT_EQ(judge_install({identical_loaded}), InstallVerdict::Install);
    EXPECT_EQ(judge_install({ours, foreign}), InstallVerdict::TakenByAnother);
    EXPECT_EQ(judge_install({identical, foreign}), InstallVerdict::TakenByAnother);
    EXPECT_EQ(judge_install({ours, loaded_foreign}), InstallVerdict::TakenByAnother);
}

}  // namespace
}  // namespace yq
