#include "update/update_model.h"

#include <gtest/gtest.h>

namespace yq {
namespace {

TEST(VersionCheck, OnlyAThreeByteAnswerIsAVersionAndAnyDifferenceIsOffered) {
    EXPECT_EQ(catalogue_version_of(true, 200, "1.6").value_or(""), "1.6");
    EXPECT_EQ(catalogue_version_of(true, 200, std::string("1.6\0junk", 8)).value_or(""), "1.6");
    struct Refused {
        Status got;
        StatusCode code;
        const char* why;
    } refused[] = {
        {catalogue_version_of(true, 200, "1.6\r\n").status(), StatusCode::kNotRecognised,
         "the answer holds 5 bytes, not 3"},
        {catalogue_version_of(true, 200, "").status(), StatusCode::kNotRecognised,
         "the answer holds 0 bytes, not 3"},
        {catalogue_version_of(false, 0, "1.6").status(), StatusCode::kReadFailed,
         "the server did not answer"},
        // An error page is no version, even one of 3 bytes.
        {catalogue_version_of(true, 404, "404").status(), StatusCode::kReadFailed,
         "the server answered HTTP 404"},
    };
    for (const Refused& r : refused) {
        EXPECT_EQ(r.got.code(), r.code) << r.why;
        EXPECT_EQ(r.got.message(), r.why);
    }
    // Lower counts as well as higher, and no local version differs from any.
    EXPECT_TRUE(offers_catalogue("1.7", "1.6"));
    EXPECT_TRUE(offers_catalogue("", "1.6"));
    EXPECT_FALSE(offers_catalogue("1.6", "1.6"));
}

TEST(VersionCheck, OnlyDigitPointDigitIsWrittenToTheSettings) {
    EXPECT_TRUE(is_recordable_version("1.6"));
    EXPECT_TRUE(is_recordable_version("0.0"));
    for (const char* bad : {"1.", "1.66", "a.6", "1,6", "1.x", "\r\n[", "a=b", "1.\n", "１."})
        EXPECT_FALSE(is_recordable_version(bad)) << bad;
    EXPECT_FALSE(
        is_recordable_version(std::string("1\0"
                                          "6",
                                          3)));
}

TEST(VersionCheck, StatusLineTexts) {
    StatusTexts s{kProgramVersionText, latest_version_label("1.5", "1.5"), kConnectedNote};
    EXPECT_EQ(s.line(), "主程序版本:" YQ_VERSION
                        "     字库版本号:1.5(最新版本:1.5)"
                        "                  连接服务器成功!");
    s = {"", failed_check_label(kFailedVersionFallback), kNotConnectedNote};
    EXPECT_EQ(s.line(), "     字库版本号:1.0(字库更新失败!)                  连接服务器失败!");
    EXPECT_EQ(latest_version_label(kShownVersionFallback, "1.6"), "0.1(最新版本:1.6)");
    EXPECT_EQ(installed_label("1.7"), "1.7(已是最新版本!)");
    EXPECT_EQ(download_progress_note(87),
              "                  连接服务器成功!    字库更新已完成:87%");
    EXPECT_EQ(install_failed_note(), "                  连接服务器成功!字库更新出错!");
}

TEST(VersionCheck, OnlyAnArrivedOtherVersionTextAnnouncesAProgram) {
    EXPECT_FALSE(announces_new_program(true, 200, kProgramVersionText));
    EXPECT_TRUE(announces_new_program(true, 200, std::string(kProgramVersionText) + ".1"));
    EXPECT_TRUE(announces_new_program(true, 200, std::string(kProgramVersionText) + "\r\n"));
    EXPECT_FALSE(announces_new_program(false, 0, ""));         // no connection
    EXPECT_FALSE(announces_new_program(true, 500, "<html>"));  // an error page
    EXPECT_FALSE(announces_new_program(true, 200, ""));        // nothing said
    EXPECT_FALSE(announces_new_program(true, 200, std::string("\0x", 2)));
}

TEST(PlainGet, ReadSizeFollowsTheAnnouncedLength) {
    EXPECT_EQ(read_size_for("3"), 4u);
    EXPECT_EQ(read_size_for("102398"), 102399u);
    EXPECT_EQ(read_size_for("102399"), 102400u);
    EXPECT_EQ(read_size_for("4000000000"), 102400u);
    EXPECT_EQ(read_size_for("99999999999999999999"), 10240u);
    for (const char* bad : {"", "0", "-5", "12a", " 7", "+7"})
        EXPECT_EQ(read_size_for(bad), 10240u) << bad;
}

}  // namespace
}  // namespace yq
