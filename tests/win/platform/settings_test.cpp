// pos.ini through the platform's profile functions.
#include "platform/win/settings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace yq {
namespace {

class Profile : public ::testing::Test {
  protected:
    void SetUp() override {
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        path_ = std::string(dir) + "yq-settings-" + std::to_string(GetCurrentProcessId()) + ".ini";
        DeleteFileA(path_.c_str());
    }
    void TearDown() override { DeleteFileA(path_.c_str()); }
    void write_raw(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
    std::string raw() {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string path_;
};

TEST_F(Profile, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(read_profile(path_, "potpz", "pf", "8"), "8");
    EXPECT_EQ(read_profile(path_, "potpz", "lb"), "");
    write_raw("[other]\r\npf=3\r\n");
    EXPECT_EQ(read_profile(path_, "potpz", "pf", "8"), "8");
    EXPECT_EQ(read_profile(path_, "other", "pf", "8"), "3");
}

TEST_F(Profile, EmptySectionOrKeyReadsEmptyWithoutTheDefault) {
    write_raw("[potpz]\r\npf=3\r\n");
    EXPECT_EQ(read_profile(path_, "", "pf", "8"), "");
    EXPECT_EQ(read_profile(path_, "potpz", "", "8"), "");
}

TEST_F(Profile, WritesCreateFileAndSectionAndKeepOtherKeys) {
    ASSERT_TRUE(write_profile(path_, "potpz", "pf", "8"));
    ASSERT_TRUE(write_profile(path_, "potpz", "lb", "2"));
    ASSERT_TRUE(write_profile(path_, "potpz", "pf", "12"));
    EXPECT_EQ(read_profile(path_, "potpz", "pf"), "12");
    EXPECT_EQ(read_profile(path_, "potpz", "lb"), "2");
    std::string text = raw();
    EXPECT_NE(text.find("[potpz]"), std::string::npos);
    EXPECT_EQ(text.find("pf=8"), std::string::npos);
}

TEST_F(Profile, GbkValuesAndBlanksSurvive) {
    ASSERT_TRUE(write_profile(path_, "potpz", "bbh", "版本 1.6"));
    EXPECT_EQ(read_profile(path_, "potpz", "bbh"), "版本 1.6");
}

TEST_F(Profile, GarbageAndHugeFilesReadWithoutHarm) {
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk.push_back(static_cast<char>((i * 131 + 7) & 0xFF));
    write_raw(junk);
    std::string pf = read_profile(path_, "potpz", "pf", "8");
    EXPECT_EQ(pf, "8");
    std::string big(1 << 20, 'x');
    write_raw("[potpz]\r\npf=" + big + "\r\nlb=2\r\n");
    // A value longer than the read buffer comes back cut to the buffer.
    EXPECT_LT(read_profile(path_, "potpz", "pf").size(), size_t{kSettingsReadBuffer});
    EXPECT_EQ(read_profile(path_, "potpz", "lb"), "2");
    EXPECT_TRUE(write_profile(path_, "potpz", "pf", "8"));
    EXPECT_EQ(read_profile(path_, "potpz", "pf"), "8");
}

}  // namespace
}  // namespace yq
