#include "fonts/pinyin.h"

#include <gtest/gtest.h>

#include <string>

namespace yq {
namespace {

// Narrow literals are GBK bytes in this build.
char initial_of(const std::string& hanzi) {
    EXPECT_EQ(hanzi.size(), 2u) << "one GBK character expected";
    return pinyin_initial(static_cast<unsigned char>(hanzi[0]),
                          static_cast<unsigned char>(hanzi[1]));
}

TEST(Pinyin, InitialsOfLevelOneHanzi) {
    const std::pair<const char*, char> samples[] = {
        {"啊", 'A'},
        {"宋", 'S'},
        {"黑", 'H'},
        {"楷", 'K'},
        {"仿", 'F'},
        {"隶", 'L'},
        {"圆", 'Y'},
        {"行", 'X'},
        {"重", 'Z'},
        {"座", 'Z'},
        {"剥", 'B'},
        // The table follows the first Mandarin reading, not the place in
        // GB2312's pinyin order: 辟 stands among the B readings (bi) but is
        // read pi first; 长 is read zhang first (chang second).
        {"辟", 'P'},
        {"长", 'Z'},
    };
    for (const auto& [hanzi, letter] : samples) EXPECT_EQ(initial_of(hanzi), letter) << hanzi;
}

TEST(Pinyin, InitialsOfLevelTwoHanzi) {
    const std::pair<const char*, char> samples[] = {
        {"亍", 'C'}, {"丌", 'J'}, {"兀", 'W'}, {"鼾", 'H'}, {"齄", 'Z'}, {"嗯", 'N'}, {"鼋", 'Y'},
    };
    for (const auto& [hanzi, letter] : samples) EXPECT_EQ(initial_of(hanzi), letter) << hanzi;
}

TEST(Pinyin, EveryGb2312HanziHasALetterAndNothingElseDoes) {
    int letters = 0;
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        for (int trail = 0x40; trail <= 0xFF; ++trail) {
            char c =
                pinyin_initial(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
            bool hanzi = lead >= 0xB0 && lead <= 0xF7 && trail >= 0xA1 && trail <= 0xFE &&
                         !(lead == 0xD7 && trail >= 0xFA);  // D7FA..D7FE are unassigned
            if (hanzi) {
                EXPECT_TRUE(c >= 'A' && c <= 'Z') << std::hex << lead << trail;
                ++letters;
            } else {
                EXPECT_EQ(c, 0) << std::hex << lead << trail;
            }
        }
    }
    EXPECT_EQ(letters, 3755 + 3008);  // level 1 and level 2
    EXPECT_EQ(initial_of("丂"), 0);   // a GBK hanzi outside GB2312
}

}  // namespace
}  // namespace yq
