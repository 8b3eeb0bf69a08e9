#include "platform/sfnt/licence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/text.h"

namespace yq {
namespace {

using sfnt::FaceLicence;

LicenceClass of_description(const std::string& text) {
    return classify_licence({"", text, ""});
}

TEST(LicenceModel, CaptionsAreTheThreeGbkTexts) {
    EXPECT_EQ(licence_caption(LicenceClass::kFree), "可免费商用");
    EXPECT_EQ(licence_caption(LicenceClass::kRestricted), "商用需授权");
    EXPECT_EQ(licence_caption(LicenceClass::kUnknown), "授权未知");
}

TEST(LicenceModel, KnownFreeLicencesInAnyTextAreFree) {
    for (const char* text : {
             "This Font Software is licensed under the SIL Open Font License, Version 1.1.",
             "Licensed under the Apache License, Version 2.0",
             "DejaVu changes are in public domain.", "CC0 1.0 Universal",
             "Permission is hereby granted, free of charge, to any person obtaining a copy",
             "Redistribution and use in source and binary forms, with or without modification",
             "GPL2 with font embedding exception", "ARPHIC PUBLIC LICENSE", "本字体可免费商用",
             "ＯＦＬ",                // full-width letters are folded first
             "open font\r\nlicense",  // a phrase broken over lines
         }) {
        EXPECT_EQ(of_description(text), LicenceClass::kFree) << text;
    }
    // The URL or the copyright alone is enough.
    EXPECT_EQ(classify_licence({"", "", "http://scripts.sil.org/OFL"}), LicenceClass::kFree);
    EXPECT_EQ(classify_licence({"Released into the public domain", "", ""}), LicenceClass::kFree);
    // Whole words only: a name that holds the letters is nothing.
    for (const char* text :
         {"WOFLE Type Foundry", "Copyright 2020 Google LLC. All Rights Reserved.",
          "SMIT Licenses Ltd", "", "Submitted", "ＧＰＬＡ",
          // "ofl" across the trail byte of a hanzi (81 6F) is not found
          "\x81\x6F"
          "fl"}) {
        EXPECT_EQ(of_description(text), LicenceClass::kUnknown) << text;
    }
    EXPECT_EQ(classify_licence({}), LicenceClass::kUnknown);
}

TEST(LicenceModel, RestrictionsWinOverFreeMentionsButNotOverNeutralPhrases) {
    for (const char* text : {
             "商用需授权",
             "本字体仅供个人学习使用",
             "个人免费，商业用途请联系作者",
             "非商业用途免费",
             "不可商用",
             "For personal use only.",
             "Free for NON-COMMERCIAL use",
             "This font is not for commercial use",
             "Commercial license required: www.example.com",
             "https://creativecommons.org/licenses/by-nc-sa/4.0/",
             // Both at once: the restriction wins, in one text or in two.
             "Licensed under the SIL Open Font License. Commercial license required.",
             "可免费商用（不可商用于出版物）",
         }) {
        EXPECT_EQ(of_description(text), LicenceClass::kRestricted) << text;
    }
    EXPECT_EQ(classify_licence(
                  {"Personal use only", "SIL Open Font License", "http://scripts.sil.org/OFL"}),
              LicenceClass::kRestricted);
    // Commercial and non-commercial use named together grant, not restrict.
    for (const char* text : {
             "OFL: free for commercial and non-commercial use",
             "Apache License; Non-commercial or commercial use alike",
             "可用于商业和非商业用途",
         }) {
        EXPECT_EQ(of_description(text), LicenceClass::kFree) << text;
    }
    EXPECT_EQ(of_description("free for commercial and non-commercial use, but non-commercial "
                             "copies only"),
              LicenceClass::kRestricted);
    // A restricting word inside a longer word is not a restriction.
    EXPECT_EQ(of_description("OFL. Standby-nc mode"), LicenceClass::kFree);
}

TEST(LicenceModel, FirstLineIsTheFirstNonBlankLineTrimmedAndCutOnACharacter) {
    EXPECT_EQ(licence_first_line({"(c) X", "\r\n  \r\n\t First line \t\r\nSecond", "url"}),
              "First line");
    EXPECT_EQ(licence_first_line({"(c) X", "", " http://u "}), "http://u");
    EXPECT_EQ(licence_first_line({"\xA1\xA1(c) X\xA1\xA1", " \n ", ""}),
              "(c) X");  // full-width blanks
    EXPECT_EQ(licence_first_line({"", "a\tb", ""}), "a b");
    EXPECT_EQ(licence_first_line({}), "");
    // 79 ASCII bytes and then hanzi: the hanzi that would pass byte 80 is left out.
    std::string text = std::string(79, 'x') + "字字";
    EXPECT_EQ(licence_first_line({"", text, ""}), std::string(79, 'x'));
    text = std::string(78, 'x') + "字字";
    EXPECT_EQ(licence_first_line({"", text, ""}), std::string(78, 'x') + "字");
    // A cut that leaves blanks at the end trims them too.
    text = std::string(60, 'y') + std::string(30, ' ') + "z";
    EXPECT_EQ(licence_first_line({"", text, ""}), std::string(60, 'y'));
    // Long texts of every byte never give a longer line or half a character.
    std::string all;
    for (int i = 0; i < 4096; ++i) all.push_back(static_cast<char>(i * 7 + 1));
    for (size_t start = 0; start < 64; ++start) {
        std::string line = licence_first_line({"", all.substr(start), ""});
        EXPECT_LE(line.size(), kMaxLicenceLineBytes);
        for (size_t i = 0; i < line.size(); i += gbk_char_size(line, i)) {
            ASSERT_LE(i + gbk_char_size(line, i), line.size());
        }
    }
    LicenceSummary s = summarize_licence({"", "非商业用途免费\n第二行", ""});
    EXPECT_EQ(s.kind, LicenceClass::kRestricted);
    EXPECT_EQ(s.first_line, "非商业用途免费");
}

// Every font under /usr/share/fonts comes from Debian's main archive (the
// packages the set-up script installs: DejaVu, Liberation, Noto, WenQuanYi,
// AR PL), whose fonts all allow commercial use: each that gives a licence
// description or URL must read as free, and none as restricted.
TEST(LicenceModel, EveryInstalledDebianFontThatNamesItsLicenceIsFree) {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it("/usr/share/fonts", ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string ext = it->path().extension().string();
        if (it->is_regular_file() && (ext == ".ttf" || ext == ".ttc" || ext == ".otf"))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty()) << "no font files under /usr/share/fonts";
    size_t named = 0;
    for (const fs::path& file : files) {
        sfnt::FaceInfo info = sfnt::read_face_info_from_file(file.string());
        LicenceSummary s = summarize_licence(info.licence);
        EXPECT_NE(s.kind, LicenceClass::kRestricted) << file;
        if (info.licence.description.empty() && info.licence.url.empty()) continue;
        ++named;
        EXPECT_EQ(s.kind, LicenceClass::kFree) << file << ": " << gbk_to_utf8(s.first_line);
        EXPECT_FALSE(s.first_line.empty()) << file;
        if (file.filename() == "DejaVuSans.ttf") {
            EXPECT_EQ(s.first_line.substr(0, 25), "Fonts are (c) Bitstream (") << file;
        }
    }
    EXPECT_GT(named, 0u);
}

}  // namespace
}  // namespace yq
