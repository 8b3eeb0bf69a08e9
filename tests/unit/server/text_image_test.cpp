// Drawing text with FreeType and writing PNG and BMP.
#include <gtest/gtest.h>

#include "base/text.h"
#include "server/lib/file_io.h"
#include "server/lib/text_image.h"
#include "test_support.h"

namespace yq::server {
namespace {

using namespace testing;

std::unique_ptr<FontFace> open_face(const std::string& path) {
    std::optional<Bytes> data = read_file(path);
    if (!data) return nullptr;
    std::string error;
    auto face = FontFace::open(std::make_shared<const Bytes>(std::move(*data)), &error);
    EXPECT_TRUE(face) << error;
    return face;
}

TEST(TextImage, LineGrowsWithTheTextAndKeepsItsInkInside) {
    YQ_REQUIRE_FONT(path, "dejavu/DejaVuSans.ttf");
    auto face = open_face(path);
    ASSERT_TRUE(face);
    GreyImage short_line = face->draw_line(U"Ag", 30, 2);
    GreyImage long_line = face->draw_line(U"Agjy Agjy Agjy", 30, 2);
    EXPECT_GT(long_line.width, short_line.width * 3);
    EXPECT_EQ(long_line.height, short_line.height);
    EXPECT_GE(short_line.height, 30);
    // The padding stays paper on every side: no glyph was cut.
    for (const GreyImage* img : {&short_line, &long_line}) {
        int inked = 0;
        for (int y = 0; y < img->height; ++y)
            for (int x = 0; x < img->width; ++x) {
                uint8_t v = img->at(x, y);
                inked += v > 0;
                if (x < 2 || y < 2 || x >= img->width - 2 || y >= img->height - 2) {
                    EXPECT_EQ(v, 0) << x << "," << y;
                }
            }
        EXPECT_GT(inked, 50);
    }
    EXPECT_LT(face->draw_line(U"Ag", 6, 0).height, face->draw_line(U"Ag", 30, 0).height);
}

TEST(TextImage, EmptyAndControlOnlyTextGiveABlankLine) {
    YQ_REQUIRE_FONT(path, "dejavu/DejaVuSans.ttf");
    auto face = open_face(path);
    ASSERT_TRUE(face);
    for (std::u32string_view text :
         {std::u32string_view(U""), std::u32string_view(U"\t\r\n\x7f")}) {
        GreyImage img = face->draw_line(text, 20, 2);
        EXPECT_GE(img.width, 1);
        EXPECT_GE(img.height, 20);
        for (uint8_t v : img.ink) EXPECT_EQ(v, 0);
    }
}

TEST(TextImage, ChineseTextFromGbk) {
    YQ_REQUIRE_FONT(path, "arphic-gbsn00lp/gbsn00lp.ttf");
    auto face = open_face(path);
    ASSERT_TRUE(face);
    std::u32string text = gbk_to_code_points("\xD6\xD0\xCE\xC4");  // 中文
    ASSERT_EQ(text, U"\u4e2d\u6587");
    GreyImage img = face->draw_line(text, 24, 0);
    EXPECT_GE(img.width, 40);
    int inked = 0;
    for (uint8_t v : img.ink) inked += v > 128;
    EXPECT_GT(inked, 40);
}

TEST(TextImage, RejectsFilesThatAreNotFonts) {
    std::string error;
    EXPECT_FALSE(FontFace::open(std::make_shared<const Bytes>(Bytes(1000, 0x41)), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(FontFace::open(std::make_shared<const Bytes>(), &error));
    EXPECT_FALSE(FontFace::open(nullptr, &error));
}

TEST(TextImage, PngDecodesToTheSameInk) {
    GreyImage img;
    img.width = 5;
    img.height = 3;
    img.ink = {0, 255, 0, 128, 0, 0, 0, 0, 0, 0, 255, 255, 255, 255, 255};
    std::optional<DecodedImage> d = decode_png([&] {
        Bytes b = encode_png(img);
        return std::string(b.begin(), b.end());
    }());
    ASSERT_TRUE(d);
    ASSERT_EQ(d->width, 5);
    ASSERT_EQ(d->height, 3);
    for (size_t i = 0; i < img.ink.size(); ++i) EXPECT_EQ(d->grey[i], 255 - img.ink[i]) << i;
    EXPECT_TRUE(encode_png(GreyImage{}).empty());
}

TEST(TextImage, BmpIs24BitBottomUpWithPaddedRows) {
    GreyImage img;
    img.width = 3;
    img.height = 2;
    img.ink = {255, 0, 0,     // top row: black, white, white
               0,   0, 255};  // bottom row: white, white, black
    Bytes b = encode_bmp24(img);
    const uint32_t stride = 12;  // 3 * 3 bytes padded to 4
    ASSERT_EQ(b.size(), 54 + stride * 2);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(load_u32le(b, 2), b.size());
    EXPECT_EQ(load_u32le(b, 10), 54u);
    EXPECT_EQ(load_u32le(b, 14), 40u);
    EXPECT_EQ(load_u32le(b, 18), 3u);
    EXPECT_EQ(load_u32le(b, 22), 2u);
    EXPECT_EQ(load_u16le(b, 28), 24);
    EXPECT_EQ(load_u32le(b, 30), 0u);
    // First stored row is the bottom one: white, white, black, then padding.
    const uint8_t bottom[] = {255, 255, 255, 255, 255, 255, 0, 0, 0, 0, 0, 0};
    const uint8_t top[] = {0, 0, 0, 255, 255, 255, 255, 255, 255, 0, 0, 0};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(b[54 + i], bottom[i]) << i;
        EXPECT_EQ(b[54 + stride + i], top[i]) << i;
    }
}

}  // namespace
}  // namespace yq::server
