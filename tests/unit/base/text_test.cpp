#include "base/text.h"

#include <gtest/gtest.h>

#include <climits>

namespace yq {
namespace {

TEST(GbkLength, StopsAtFirstNul) {
    EXPECT_EQ(gbk_length("宋体"), 4u);
    EXPECT_EQ(gbk_length(std::string_view("ab\0cd", 5)), 2u);
    EXPECT_EQ(gbk_length(""), 0u);
}

TEST(GbkFind, CountsBytesFromZeroAndNeverStartsOnATrailByte) {
    EXPECT_EQ(gbk_find("宋体字", "体"), 2u);
    EXPECT_EQ(gbk_find("宋体字", "宋"), 0u);
    EXPECT_EQ(gbk_find("abc", "d"), std::nullopt);
    // "体" is D6 A3 ... and "中" is D6 D0: the bytes "A3 D6" of "体中" straddle
    // two characters; a byte-wise search would find them at offset 1.
    std::string straddle = "\xA3\xD6";
    EXPECT_EQ(gbk_find("体中", straddle), std::nullopt);
    // The search starts at `start`; one inside a character starts at the next.
    EXPECT_EQ(gbk_find("aXbX", "X", 1), 1u);
    EXPECT_EQ(gbk_find("aXbX", "X", 2), 3u);
    EXPECT_EQ(gbk_find("体体", "体", 1), 2u);
    EXPECT_EQ(gbk_find("aXbX", "X", 4), std::nullopt);
    // An empty needle is found at a boundary inside the text, not at its end.
    EXPECT_EQ(gbk_find("ab", "", 1), 1u);
    EXPECT_EQ(gbk_find("体a", "", 1), 2u);
    EXPECT_EQ(gbk_find("ab", "", 2), std::nullopt);
    EXPECT_EQ(gbk_find("", ""), std::nullopt);
    EXPECT_EQ(gbk_find("Hello", "hello"), std::nullopt);
    EXPECT_EQ(gbk_find("Hello", "hELLo", 0, true), 0u);
    // Case folding never touches GBK bytes: 0xC1 vs 0xE1 stay different.
    EXPECT_EQ(gbk_find("\xC1\xA1", "\xE1\xA1", 0, true), std::nullopt);
}

TEST(Blanks, TrimAndStripHandleAsciiAndFullWidthSpaces) {
    EXPECT_EQ(trim_blanks("  宋体 "), "宋体");
    EXPECT_EQ(trim_blanks("\xA1\xA1 黑体\xA1\xA1"), "黑体");
    EXPECT_EQ(trim_blanks("   "), "");
    EXPECT_EQ(trim_blanks("a b"), "a b");
    EXPECT_EQ(strip_blanks("Arial Black"), "ArialBlack");
    EXPECT_EQ(strip_blanks("方正\xA1\xA1姚体 x"), "方正姚体x");
    // A1 A1 inside a character pair is not a blank: "\xB0\xA1" + "\xA1\xB0"
    // holds the bytes A1 A1 at positions 2..3 across two characters.
    std::string tricky = "\xB0\xA1\xA1\xB0";
    EXPECT_EQ(strip_blanks(tricky), tricky);
    EXPECT_EQ(trim_blanks(tricky + " "), tricky);
}

TEST(TextToInt, ReadsLeadingNumberWithFullWidthFolding) {
    EXPECT_EQ(text_to_int("8"), 8);
    EXPECT_EQ(text_to_int("  -12abc"), -12);
    EXPECT_EQ(text_to_int("+7"), 7);
    EXPECT_EQ(text_to_int("abc"), 0);
    EXPECT_EQ(text_to_int(""), 0);
    EXPECT_EQ(text_to_int("１２"), 12);
    EXPECT_EQ(text_to_int("\xA1\xA1－３"), -3);
    EXPECT_EQ(text_to_int("- 3"), 0);
}

TEST(TextToInt, SaturatesOutsideThe32BitRange) {
    EXPECT_EQ(text_to_int("2147483647"), INT32_MAX);
    EXPECT_EQ(text_to_int("2147483648"), INT32_MAX);
    EXPECT_EQ(text_to_int("99999999999"), INT32_MAX);
    EXPECT_EQ(text_to_int("-2147483648"), INT32_MIN);
    EXPECT_EQ(text_to_int("-99999999999999999999999"), INT32_MIN);
}

TEST(Cp936, RoundTripsChineseAndMarksWhatGbkLacks) {
    EXPECT_EQ(gbk_to_utf16("宋体"), u"宋体");
    EXPECT_EQ(utf16_to_gbk(u"宋体A"), "宋体A");
    EXPECT_EQ(utf16_to_gbk(u"\u20AC"), "\x80");
    EXPECT_EQ(gbk_to_utf16("\x80"), u"\u20AC");
    EXPECT_EQ(utf16_to_gbk(u"\u00C4x"), "?x");  // no A-umlaut in code page 936
    EXPECT_EQ(utf16_to_gbk(u"\uAC00"), "?");    // Hangul
    EXPECT_EQ(gbk_to_utf16("a\xB0"), u"a?");    // lead byte without trail
    EXPECT_EQ(gbk_to_utf16("\xFF"), u"\uF8F5");
    EXPECT_EQ(gbk_to_utf16("\x81\x7F"), u"?");       // invalid trail: one "?" for the pair
    EXPECT_EQ(gbk_to_utf16("\xAA\xA1"), u"\uE000");  // first user-defined code
    // Full-width forms and the GBK extension areas survive a round trip.
    for (std::string s : {"ＡＢ", "〇", "丂", "\xA1\xA1", "\xA8\x44", "\xFE\x4F"}) {
        EXPECT_EQ(utf16_to_gbk(gbk_to_utf16(s)), s) << s;
    }
}

TEST(Cp936, EveryMappedPairRoundTrips) {
    int mapped = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            std::string s{static_cast<char>(lead), static_cast<char>(trail)};
            std::u16string u = gbk_to_utf16(s);
            ASSERT_EQ(u.size(), 1u);
            if (u[0] == u'?') continue;
            ++mapped;
            EXPECT_EQ(utf16_to_gbk(u), s) << std::hex << lead << trail;
        }
    }
    EXPECT_GT(mapped, 21000);
}

TEST(Utf8, ConvertsBothWaysAndReplacesInvalidBytes) {
    EXPECT_EQ(gbk_to_utf8("宋体"), "\xE5\xAE\x8B\xE4\xBD\x93");
    EXPECT_EQ(utf8_to_gbk("\xE5\xAE\x8B\xE4\xBD\x93"), "宋体");
    EXPECT_EQ(utf8_to_utf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(utf16_to_utf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(utf8_to_utf16("\xC0\x80"), u"\uFFFD\uFFFD");
    EXPECT_EQ(utf8_to_utf16("\xE5\xAE"), u"\uFFFD\uFFFD");
}

TEST(ParseDecimal, PlainDigitsOnlyAndNeverMoreThanAsked) {
    EXPECT_EQ(parse_decimal("0"), 0u);
    EXPECT_EQ(parse_decimal("65535", 5), 65535u);
    EXPECT_EQ(parse_decimal("999999999999999999"), 999999999999999999u);
    for (const char* bad :
         {"", "-1", "+1", " 1", "1 ", "1e3", "0x10", "\xA3\xB1", "1234567890123456789"})
        EXPECT_FALSE(parse_decimal(bad)) << bad;
    EXPECT_FALSE(parse_decimal("123456", 5));
    EXPECT_FALSE(parse_decimal("1234567890123456789", 30));  // 18 at most, whatever is asked
}

}  // namespace
}  // namespace yq
