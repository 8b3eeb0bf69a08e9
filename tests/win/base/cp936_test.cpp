// Our code page 936 tables against the platform's own conversion.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/text.h"

namespace yq {
namespace {

TEST(Cp936OnWindows, EveryDoubleByteCharacterDecodesAsThePlatformDoes) {
    int compared = 0, mismatches = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            wchar_t out[4] = {};
            int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, in, 2, out, 4);
            if (n != 1) continue;  // the platform does not map it either
            ++compared;
            std::u16string ours = gbk_to_utf16(std::string(in, 2));
            if (ours.size() != 1 || ours[0] != static_cast<char16_t>(out[0])) {
                if (++mismatches <= 10) {
                    ADD_FAILURE() << std::hex << lead << " " << trail << ": platform U+"
                                  << static_cast<int>(out[0]) << ", ours U+"
                                  << (ours.empty() ? 0 : static_cast<int>(ours[0]));
                }
            }
        }
    }
    EXPECT_GT(compared, 21000);
    EXPECT_EQ(mismatches, 0);
}

TEST(Cp936OnWindows, EveryBmpCodeUnitEncodesAsThePlatformDoes) {
    int mismatches = 0;
    for (unsigned u = 1; u < 0x10000; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF) continue;  // lone surrogates
        wchar_t in[1] = {static_cast<wchar_t>(u)};
        char out[8] = {};
        BOOL defaulted = FALSE;
        int n =
            WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, in, 1, out, sizeof out, "?", &defaulted);
        std::string platform = defaulted ? std::string("?") : std::string(out, n > 0 ? n : 0);
        std::string ours = utf16_to_gbk(std::u16string(1, static_cast<char16_t>(u)));
        if (platform != ours && ++mismatches <= 10) {
            ADD_FAILURE() << "U+" << std::hex << u << ": platform " << platform.size()
                          << " bytes, ours " << ours.size();
        }
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace yq
