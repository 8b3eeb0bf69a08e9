#include "download/download_model.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/zt/zt_container.h"

namespace yq::download {
namespace {

TEST(RequestHeaders, FixedBlockIs156BytesWithoutTrailingLineEnd) {
    std::string h = request_headers(false, 0);
    EXPECT_EQ(h.size(), 156u);
    EXPECT_EQ(h.substr(0, 13), "Accept: */*\r\n");
    EXPECT_NE(h.back(), '\n');
    EXPECT_EQ(h.find("Range"), std::string::npos);
}

TEST(RequestHeaders, ResumeAppendsRangeLineWithoutBlankOrEnd) {
    std::string h = request_headers(true, 4096);
    EXPECT_EQ(h, std::string(kRequestHeaders) + "\r\nRange:bytes=4096-");
    EXPECT_EQ(request_headers(true, 0).substr(156), "\r\nRange:bytes=0-");
}

TEST(AgentName, IsAgentAndDecimalTickCount) {
    EXPECT_EQ(agent_name(0), "Agent0");
    EXPECT_EQ(agent_name(4294967295u), "Agent4294967295");
}

TEST(DownloadUrl, AppendsFontPathAndEncodesUnsafeBytes) {
    EXPECT_EQ(download_url("http://127.0.0.1:18080", "abc-1_x"),
              "http://127.0.0.1:18080/ztwjj/abc-1_x.tmp");
    // GBK bytes, a blank and characters that would end or redirect the path.
    EXPECT_EQ(download_url("http://h", "\xCB\xCE a?b#c/d"),
              "http://h/ztwjj/%CB%CE%20a%3Fb%23c%2Fd.tmp");
}

TEST(Percent, TruncatesAndIsZeroWithoutLength) {
    EXPECT_EQ(percent_of(10240, 25000), 40);
    EXPECT_EQ(percent_of(20480, 25000), 81);
    EXPECT_EQ(percent_of(25000, 25000), 100);
    EXPECT_EQ(percent_of(123456, 0), 0);
    // Lengths beyond 2 GB do not overflow.
    EXPECT_EQ(percent_of(int64_t(3) << 30, 0xC0000000u), 100);
}

// Feeds a counter the body in pieces as reads return them, then ends it, and
// collects the progress reported.
std::vector<int> progress_of(TransferCounter& c, const std::vector<size_t>& pieces) {
    std::vector<int> out;
    auto progress = [&](int p) { out.push_back(p); };
    for (size_t n : pieces) c.add(n, progress);
    c.end(progress);
    return out;
}

TEST(TransferCounter, ReportsProgressOnlyBelowAnnouncedLength) {
    TransferCounter c(0, 25000);
    EXPECT_EQ(progress_of(c, {10240, 10240, 4520}), (std::vector<int>{40, 81}));
    EXPECT_EQ(c.completion_percent(), 100);
    EXPECT_EQ(c.received(), 25000);
    EXPECT_FALSE(c.short_body());

    TransferCounter none(0, 0);
    EXPECT_TRUE(progress_of(none, {10240, 10240, 100}).empty());
    EXPECT_EQ(none.completion_percent(), 0);
    EXPECT_FALSE(none.short_body());
}

TEST(TransferCounter, ReportsPerChunkHoweverTheBodyArrives) {
    // One read of everything, odd pieces and single bytes all give the
    // reports of 10240-byte reads.
    std::vector<std::vector<size_t>> splits = {
        {25000}, {7000, 7000, 7000, 4000}, {10239, 2, 14759}};
    std::vector<size_t> bytes(25000, 1);
    splits.push_back(bytes);
    for (const auto& split : splits) {
        TransferCounter c(0, 25000);
        EXPECT_EQ(progress_of(c, split), (std::vector<int>{40, 81})) << split.size();
        EXPECT_EQ(c.completion_percent(), 100);
    }
    // Counting before the end includes the piece of the unfinished chunk.
    TransferCounter c(0, 25000);
    std::vector<int> out;
    c.add(15000, [&](int p) { out.push_back(p); });
    EXPECT_EQ(out, (std::vector<int>{40}));
    EXPECT_EQ(c.received(), 15000);
}

TEST(TransferCounter, ResumeCountsBytesAlreadyPresent) {
    // 25000-byte file, 4096 bytes present; the server announces the rest.
    TransferCounter c(4096, 20904);
    EXPECT_EQ(progress_of(c, {20904}), (std::vector<int>{68}));
    EXPECT_EQ(c.received(), 25000);
    EXPECT_EQ(c.completion_percent(), 119);
}

TEST(TransferCounter, CutBodyEndsBelowHundredAndIsShort) {
    TransferCounter c(0, 25000);
    EXPECT_EQ(progress_of(c, {12000}), (std::vector<int>{40, 48}));
    EXPECT_EQ(c.completion_percent(), 48);
    EXPECT_TRUE(c.short_body());
}

TEST(ContentRange, ReadsFirstBytePosition) {
    EXPECT_EQ(content_range_start("bytes 4096-24999/25000"), 4096);
    EXPECT_EQ(content_range_start("Bytes 0-0/*"), 0);
    EXPECT_EQ(content_range_start(""), std::nullopt);
    EXPECT_EQ(content_range_start("bytes */25000"), std::nullopt);
    EXPECT_EQ(content_range_start("bytes 4096"), std::nullopt);
    EXPECT_EQ(content_range_start("items 1-2/3"), std::nullopt);
    EXPECT_EQ(content_range_start("bytes 9999999999999999999-1/2"), std::nullopt);
}

TEST(DecideResume, AppendsOnlyWhatContinuesTheFile) {
    EXPECT_EQ(decide_resume(206, "bytes 4096-24999/25000", 4096), ResumeStep::kAppend);
    EXPECT_EQ(decide_resume(200, "", 4096), ResumeStep::kRestart);
    // A partial answer from elsewhere, or an error page, would corrupt the file.
    EXPECT_EQ(decide_resume(206, "bytes 0-24999/25000", 4096), ResumeStep::kRefuse);
    EXPECT_EQ(decide_resume(206, "", 4096), ResumeStep::kRefuse);
    EXPECT_EQ(decide_resume(416, "bytes */4096", 4096), ResumeStep::kRefuse);
    EXPECT_EQ(decide_resume(404, "", 4096), ResumeStep::kRefuse);
}

TEST(SafeFontFileStem, KeepsOrdinaryNamesExactly) {
    EXPECT_EQ(safe_font_file_stem("My Font"), "My Font");
    EXPECT_EQ(safe_font_file_stem("\xCB\xCE\xCC\xE5"), "\xCB\xCE\xCC\xE5");  // 宋体
    EXPECT_EQ(safe_font_file_stem("a.b"), "a.b");
    EXPECT_EQ(safe_font_file_stem("\xA1\xA1x\xA1\xA1"), "\xA1\xA1x\xA1\xA1");  // full-width blanks
    EXPECT_EQ(safe_font_file_stem("COM10"), "COM10");
    EXPECT_EQ(safe_font_file_stem("console"), "console");
}

TEST(SafeFontFileStem, ReplacesCharactersThatCouldLeaveTheFolder) {
    EXPECT_EQ(safe_font_file_stem("..\\x"), ".._x");
    EXPECT_EQ(safe_font_file_stem("../../x"), ".._.._x");
    EXPECT_EQ(safe_font_file_stem("a/b"), "a_b");
    EXPECT_EQ(safe_font_file_stem("c:x"), "c_x");
    EXPECT_EQ(safe_font_file_stem("\\\\server\\share"), "__server_share");
    EXPECT_EQ(safe_font_file_stem("a<b>c\"d|e?f*g"), "a_b_c_d_e_f_g");
    EXPECT_EQ(safe_font_file_stem(std::string("a\x01\tb\x1F", 5)), "a__b_");
    EXPECT_EQ(safe_font_file_stem(std::string("a\0b", 3)), "a_b");
}

TEST(SafeFontFileStem, MarksTrailingDotsAndBlanks) {
    EXPECT_EQ(safe_font_file_stem("x."), "x_");
    EXPECT_EQ(safe_font_file_stem("x. ."), "x___");
    EXPECT_EQ(safe_font_file_stem(".."), "__");
    EXPECT_EQ(safe_font_file_stem(" "), "_");
}

TEST(SafeFontFileStem, RefusesDeviceNamesAndEmptyNames) {
    for (const char* name :
         {"CON", "con", "PRN", "AUX", "NUL", "nul ", "con.txt", "Con.ttf", "COM1", "com9", "LPT1",
          "lpt9.x", "CONIN$", "conout$", "CON.", "NUL . x"})
        EXPECT_EQ(safe_font_file_stem(name), "") << name;
    EXPECT_EQ(safe_font_file_stem(""), "");
}

TEST(SafeFontFileStem, KeepsGbkCharacterWhoseTrailByteIsBackslash) {
    // D5 5C is one character; its second byte is not a separator.
    std::string name = "\xD5\x5C\xCC\xE5";
    EXPECT_EQ(safe_font_file_stem(name), name);
    // Trail bytes 0x7C ('|') belong to their character as well.
    EXPECT_EQ(safe_font_file_stem("\xB0\x7C"), "\xB0\x7C");
    // A backslash after a complete character is still a separator.
    EXPECT_EQ(safe_font_file_stem("\xCB\xCE\\x"), "\xCB\xCE_x");
}

TEST(SafeFontFileStem, ReplacesLeadBytesWithoutValidTrail) {
    EXPECT_EQ(safe_font_file_stem("a\xD5"), "a_");    // name ends after a lead byte
    EXPECT_EQ(safe_font_file_stem("\xD5/x"), "__x");  // '/' is no trail byte
    EXPECT_EQ(safe_font_file_stem("\xD5\x7F"
                                  "a"),
              "_\x7F"
              "a");  // 0x7F is no trail byte
}

TEST(SafeFontFileStem, RefusesNamesTooLongForAFile) {
    EXPECT_EQ(safe_font_file_stem(std::string(251, 'a')).size(), 251u);
    EXPECT_EQ(safe_font_file_stem(std::string(252, 'a')), "");
    // Double-byte characters count once.
    std::string wide;
    for (int i = 0; i < 251; ++i) wide += "\xCB\xCE";
    EXPECT_EQ(safe_font_file_stem(wide), wide);
    EXPECT_EQ(safe_font_file_stem(wide + "\xCB\xCE"), "");
}

TEST(TargetPath, IsFolderPlusNamePlusTtf) {
    EXPECT_EQ(target_path("C:\\p\\dl\\", "My Font"), "C:\\p\\dl\\My Font.ttf");
    EXPECT_EQ(target_path("C:\\p\\dl", "x"), "C:\\p\\dl\\x.ttf");
    EXPECT_EQ(target_path("C:\\p\\dl\\", "..\\..\\boot"), "C:\\p\\dl\\.._.._boot.ttf");
    EXPECT_EQ(target_path("C:\\p\\dl\\", "CON"), "");
    EXPECT_EQ(target_path("C:\\p\\dl\\", ""), "");
}

TEST(TargetPath, FolderEndingInTrailByte5CGetsSeparator) {
    // The folder's last character is D5 5C: not a separator.
    EXPECT_EQ(target_path("C:\\\xD5\x5C", "x"), "C:\\\xD5\x5C\\x.ttf");
}

TEST(TargetPath, RefusesPathsLongerThanTheFileCallsAccept) {
    // Counted with the partial file's suffix: its path is the longer one.
    std::string folder = "C:\\" + std::string(200, 'f') + "\\";
    std::string target = target_path(folder, std::string(44, 'a'));
    EXPECT_EQ(partial_path(target).size(), 259u);
    EXPECT_EQ(target_path(folder, std::string(45, 'a')), "");
}

TEST(InstallFileName, IsTheSafeNameWithoutBlanks) {
    EXPECT_EQ(install_file_name("My Font"), "MyFont.ttf");
    EXPECT_EQ(install_file_name("\xCB\xCE\xA1\xA1\xCC\xE5"), "\xCB\xCE\xCC\xE5.ttf");  // full-width blank
    // Made safe exactly as the download folder's name, so nothing can leave
    // the Fonts folder or name another kind of file.
    EXPECT_EQ(install_file_name("..\\..\\evil"), ".._.._evil.ttf");
    EXPECT_EQ(install_file_name("C:\\evil"), "C__evil.ttf");
    EXPECT_EQ(install_file_name("a/b"), "a_b.ttf");
    // Names that only stripping turns into something Windows cannot store.
    EXPECT_EQ(install_file_name("CO N"), "");
    EXPECT_EQ(install_file_name("   "), "___.ttf");  // as in the download folder
    EXPECT_EQ(install_file_name("CON"), "");
}

TEST(DownloadLimit, IsTheAnnouncedLengthOrTheHardCap) {
    EXPECT_EQ(download_limit(0, 0), kMaxDownloadBytes);
    EXPECT_EQ(download_limit(0, 25000), 25000);
    EXPECT_EQ(download_limit(4096, 25000), 29096);
    EXPECT_EQ(download_limit(0, 0xFFFFFFFFu), kMaxDownloadBytes);
}

Bytes sample_font() {
    Bytes b(5000);
    for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i * 13 + (i >> 7));
    return b;
}

TEST(CheckDownloadedFile, ContainerUnpacksToFontBytes) {
    Bytes font = sample_font();
    Bytes packed = zt_pack(font);
    TransferSummary s{200, uint32_t(packed.size()), int64_t(packed.size()), false, false};
    CheckedDownload c = check_downloaded_file(packed, s);
    EXPECT_TRUE(c.ok());
    EXPECT_EQ(c.font, font);
    // An unknown status (0) does not stop a good container either.
    s.http_status = 0;
    EXPECT_TRUE(check_downloaded_file(packed, s).ok());
}

TEST(CheckDownloadedFile, ErrorPagesCutAndDamagedBodiesFail) {
    Bytes packed = zt_pack(sample_font());
    TransferSummary ok{200, 0, int64_t(packed.size()), false, false};

    std::string page = "<html><body>404 Not Found</body></html>";
    TransferSummary not_found{404, uint32_t(page.size()), int64_t(page.size()), false, false};
    EXPECT_EQ(check_downloaded_file(as_span(page), not_found).verdict, DownloadVerdict::kHttpError);
    // The same page under a 200 is still no container.
    EXPECT_EQ(check_downloaded_file(as_span(page), ok).verdict, DownloadVerdict::kNotContainer);
    // A good container with an error status is refused as well.
    TransferSummary server_error = ok;
    server_error.http_status = 500;
    EXPECT_FALSE(check_downloaded_file(packed, server_error).ok());

    TransferSummary cut = ok;
    cut.short_body = true;
    EXPECT_EQ(check_downloaded_file(ByteSpan(packed).first(packed.size() / 2), cut).verdict,
              DownloadVerdict::kShortBody);

    Bytes flipped = packed;
    flipped[flipped.size() / 2] ^= 0xFF;
    EXPECT_EQ(check_downloaded_file(flipped, ok).verdict, DownloadVerdict::kDamaged);
    EXPECT_TRUE(check_downloaded_file(flipped, ok).font.empty());
}

TEST(CheckDownloadedFile, EveryTruncatedPrefixFailsCleanly) {
    Bytes packed = zt_pack(sample_font());
    TransferSummary s{200, 0, 0, false, false};
    for (size_t n = 0; n < packed.size(); ++n) {
        CheckedDownload c = check_downloaded_file(ByteSpan(packed).first(n), s);
        ASSERT_FALSE(c.ok()) << n;
        ASSERT_TRUE(c.font.empty()) << n;
    }
}

}  // namespace
}  // namespace yq::download
