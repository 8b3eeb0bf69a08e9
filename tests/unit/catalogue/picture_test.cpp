#include "catalogue/picture.h"

#include <gtest/gtest.h>

#include "picture_samples.h"

namespace yq {
namespace {

namespace s = samples;

ByteSpan span(const Bytes& b) {
    return ByteSpan(b.data(), b.size());
}

Picture decoded(const Bytes& file) {
    DecodedPicture d = decode_picture(span(file));
    EXPECT_EQ(d.status, PictureStatus::Decoded);
    return d.picture;
}

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;
constexpr uint32_t kWhite = 0xFFFFFFFF, kBlack = 0xFF000000, kClear = 0;

TEST(PictureSniff, RecognisesEachFormatByItsFirstBytes) {
    auto sniff = [](Bytes b) { return sniff_picture(span(b)); };
    EXPECT_EQ(sniff({'B', 'M'}), PictureFormat::Bmp);
    EXPECT_EQ(sniff({0xFF, 0xD8, 0xFF, 0xE0}), PictureFormat::Jpeg);
    EXPECT_EQ(sniff({0xFF, 0xD8, 0x00}), PictureFormat::Unknown);
    EXPECT_EQ(sniff({'G', 'I', 'F', '8', '7', 'a'}), PictureFormat::Gif);
    EXPECT_EQ(sniff({'G', 'I', 'F', '8', '9', 'a'}), PictureFormat::Gif);
    EXPECT_EQ(sniff({'G', 'I', 'F', '8', '8', 'a'}), PictureFormat::Unknown);
    EXPECT_EQ(sniff({0, 0, 1, 0}), PictureFormat::Ico);
    EXPECT_EQ(sniff({0, 0, 2, 0}), PictureFormat::Cur);
    EXPECT_EQ(sniff({0, 0, 3, 0}), PictureFormat::Unknown);
    for (uint8_t v : {0, 2, 3, 4, 5}) EXPECT_EQ(sniff({0x0A, v, 1}), PictureFormat::Pcx);
    EXPECT_EQ(sniff({0x0A, 1, 1}), PictureFormat::Unknown);
    EXPECT_EQ(sniff({0x0A, 5, 0}), PictureFormat::Unknown);
    EXPECT_EQ(sniff({}), PictureFormat::Unknown);
    EXPECT_EQ(sniff({'B'}), PictureFormat::Unknown);

    // A JPEG goes to the platform decoder only with a frame header declaring
    // a size a row can show.
    Bytes jpeg = s::jpeg_start(300, 30);
    DecodedPicture j = decode_picture(span(jpeg));
    EXPECT_EQ(j.status, PictureStatus::JpegNotDecoded);
    EXPECT_EQ(j.width, 300);
    EXPECT_EQ(j.height, 30);
    for (Bytes refused : {Bytes{0xFF, 0xD8, 0xFF, 0xDB}, s::jpeg_start(4096, 4096),
                          s::jpeg_start(kMaxPictureWidth + 1, 1), s::jpeg_start(0, 10)}) {
        EXPECT_EQ(decode_picture(span(refused)).status, PictureStatus::Malformed);
    }
    Bytes text = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_EQ(decode_picture(span(text)).status, PictureStatus::Unrecognised);
}

TEST(PictureBmp, DecodesUncompressedDepthsAndRowOrders) {
    Picture p = decoded(s::bmp24());
    ASSERT_EQ(p.width, 2);
    ASSERT_EQ(p.height, 2);
    EXPECT_EQ(p.argb(0, 0), kRed);
    EXPECT_EQ(p.argb(1, 0), kWhite);
    EXPECT_EQ(p.argb(0, 1), kBlue);
    EXPECT_EQ(p.argb(1, 1), kGreen);

    p = decoded(s::bmp1_top_down());
    ASSERT_EQ(p.width, 3);
    ASSERT_EQ(p.height, 2);
    const uint32_t yellow = 0xFFFFFF00;
    EXPECT_EQ(p.argb(0, 0), yellow);
    EXPECT_EQ(p.argb(1, 0), kBlack);
    EXPECT_EQ(p.argb(2, 0), yellow);
    EXPECT_EQ(p.argb(1, 1), yellow);

    p = decoded(s::bmp16_565());
    EXPECT_EQ(p.argb(0, 0), kRed);
    EXPECT_EQ(p.argb(1, 0), kGreen);

    p = decoded(s::bmp_core8());
    ASSERT_EQ(p.width, 1);
    EXPECT_EQ(p.argb(0, 0), 0xFF0A141Eu);
}

TEST(PictureBmp, DecodesRunLengthWithDeltaAndAbsoluteRuns) {
    Picture p = decoded(s::bmp_rle8());
    ASSERT_EQ(p.width, 4);
    ASSERT_EQ(p.height, 3);
    // Bottom line: R R R G; middle line skipped by the delta; top: B G B and one left out.
    EXPECT_EQ(p.argb(0, 2), kRed);
    EXPECT_EQ(p.argb(2, 2), kRed);
    EXPECT_EQ(p.argb(3, 2), kGreen);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(p.argb(x, 1), kClear);
    EXPECT_EQ(p.argb(0, 0), kBlue);
    EXPECT_EQ(p.argb(1, 0), kGreen);
    EXPECT_EQ(p.argb(2, 0), kBlue);
    EXPECT_EQ(p.argb(3, 0), kClear);

    p = decoded(s::bmp_rle4());
    ASSERT_EQ(p.width, 3);
    EXPECT_EQ(p.argb(0, 0), kWhite);
    EXPECT_EQ(p.argb(1, 0), kBlack);
    EXPECT_EQ(p.argb(2, 0), kWhite);
}

TEST(PictureBmp, RejectsBadHeadersAndOversizedClaims) {
    Bytes b = s::bmp24();
    b[28] = 7;  // 7 bits per pixel
    EXPECT_TRUE(decode_bmp(span(b)).empty());
    b = s::bmp24();
    b[10] = 20;  // pixels inside the headers
    EXPECT_TRUE(decode_bmp(span(b)).empty());
    // One pixel wider or taller than a row can show, whatever data follows.
    b = s::bmp24();
    b[18] = (kMaxPictureWidth + 1) & 0xFF;
    b[19] = (kMaxPictureWidth + 1) >> 8;
    EXPECT_TRUE(decode_bmp(span(b)).empty());
    b = s::bmp24();
    b[22] = (kMaxPictureHeight + 1) & 0xFF;
    b[23] = (kMaxPictureHeight + 1) >> 8;
    EXPECT_TRUE(decode_bmp(span(b)).empty());
    // 4096 x 4096 claimed, with 16 bytes of pixels: refused before any allocation.
    b = s::bmp24();
    b[18] = 0;
    b[19] = 0x10;
    b[22] = 0;
    b[23] = 0x10;
    EXPECT_TRUE(decode_bmp(span(b)).empty());
    // Height of INT32_MIN cannot be negated in 32 bits.
    b = s::bmp24();
    b[22] = b[23] = b[24] = 0;
    b[25] = 0x80;
    EXPECT_TRUE(decode_bmp(span(b)).empty());
    // An RLE stream without its end-of-bitmap code.
    b = s::bmp_rle8();
    b.resize(b.size() - 2);
    b.insert(b.end(), {0, 0});
    EXPECT_TRUE(decode_bmp(span(b)).empty());
    // A palette index past the palette draws black instead of reading beyond it.
    b = s::bmp1_top_down();
    b[46] = 1;  // one colour used: index 1 has no entry
    Picture p = decode_bmp(span(b));
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(p.argb(0, 0), kBlack);
}

TEST(PictureGif, DecodesFirstFrameWithTransparency) {
    Picture p = decoded(s::gif_2x2());
    ASSERT_EQ(p.width, 2);
    ASSERT_EQ(p.height, 2);
    EXPECT_EQ(p.argb(0, 0), kBlack);
    EXPECT_EQ(p.argb(1, 0), kWhite);
    EXPECT_EQ(p.argb(0, 1), kWhite);
    EXPECT_EQ(p.argb(1, 1), kClear);
}

TEST(PictureGif, DecodesInterlacedAndLocalPalettes) {
    for (Bytes file : {s::gif_pattern(9, 11, 2, true), s::gif_pattern(9, 11, 2, false),
                       s::gif_pattern(40, 30, 7, false, true), s::gif_pattern(200, 150, 7, true)}) {
        Picture p = decoded(file);
        ASSERT_FALSE(p.empty());
        int colours = p.width == 9 ? 8 : 256;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                uint8_t grey = uint8_t((x + 3 * y) % colours * 255 / (colours - 1));
                ASSERT_EQ(p.argb(x, y), 0xFF000000u | grey << 16 | grey << 8 | grey)
                    << x << "," << y;
            }
    }
}

TEST(PictureGif, RejectsBrokenStreams) {
    Bytes g = s::gif_2x2();
    g[45] = 0x34;  // first code after the clear is 6, a table code that does not exist yet
    EXPECT_TRUE(decode_gif(span(g)).empty());
    g = s::gif_2x2();
    g[10] = 0;  // no global table and no local one
    g.erase(g.begin() + 13, g.begin() + 25);
    EXPECT_TRUE(decode_gif(span(g)).empty());
    g = s::gif_2x2();
    g[38] = 3;  // frame 3 wide: the codes run out before 6 pixels
    EXPECT_TRUE(decode_gif(span(g)).empty());
    g = s::gif_2x2();
    g[43] = 9;  // minimum code size 9
    EXPECT_TRUE(decode_gif(span(g)).empty());
}

TEST(PictureIcon, DecodesLargestEntryWithMaskOrAlpha) {
    for (int type : {1, 2}) {
        DecodedPicture d = decode_picture(span(s::icon32(type)));
        EXPECT_EQ(d.format, type == 1 ? PictureFormat::Ico : PictureFormat::Cur);
        ASSERT_EQ(d.status, PictureStatus::Decoded);
        const Picture& p = d.picture;
        ASSERT_EQ(p.width, 2);
        ASSERT_EQ(p.height, 2);
        EXPECT_EQ(p.argb(0, 0), kRed);
        EXPECT_EQ(p.argb(1, 0), kClear);
        EXPECT_EQ(p.argb(0, 1), 0x8000FF00u);
        EXPECT_EQ(p.argb(1, 1), kBlue);
    }

    Picture p = decoded(s::icon_two_entries());
    ASSERT_EQ(p.width, 2);
    ASSERT_EQ(p.height, 1);
    EXPECT_EQ(p.argb(0, 0), kWhite);
    EXPECT_EQ(p.argb(1, 0), kClear);

    Bytes png = s::icon_png();
    DecodedPicture d = decode_picture(span(png));
    EXPECT_EQ(d.status, PictureStatus::PngNotDecoded);
    EXPECT_EQ(d.png_offset, 22u);
    EXPECT_EQ(d.png_size, 33u);
    EXPECT_EQ(d.width, 16);
    EXPECT_TRUE(d.picture.empty());
    png = s::icon_png(4096, 4096);  // more than a row can show: not handed on
    EXPECT_EQ(decode_picture(span(png)).status, PictureStatus::Malformed);
}

TEST(PictureIcon, RejectsEntriesOutsideTheFile) {
    Bytes b = s::icon32(1);
    b[14] = 0xFF;  // entry size past the end
    EXPECT_EQ(decode_icon(span(b)).status, PictureStatus::Malformed);
    b = s::icon32(1);
    b[18] = 2;  // offset inside the directory
    EXPECT_EQ(decode_icon(span(b)).status, PictureStatus::Malformed);
    b = s::icon32(1);
    b[4] = 0;  // no entries
    EXPECT_EQ(decode_icon(span(b)).status, PictureStatus::Malformed);
    b = s::icon32(1);
    b[30] = 3;  // odd DIB height: no room for the AND mask rows
    EXPECT_EQ(decode_icon(span(b)).status, PictureStatus::Malformed);
}

TEST(PicturePcx, DecodesEachLayout) {
    Picture p = decoded(s::pcx_mono());
    ASSERT_EQ(p.width, 8);
    ASSERT_EQ(p.height, 2);
    EXPECT_EQ(p.argb(0, 0), kWhite);
    EXPECT_EQ(p.argb(4, 0), kBlack);
    EXPECT_EQ(p.argb(0, 1), kBlack);
    EXPECT_EQ(p.argb(1, 1), kWhite);

    p = decoded(s::pcx_planar());
    ASSERT_EQ(p.width, 4);
    for (int x = 0; x < 4; ++x) {
        int i = 1 << x;
        EXPECT_EQ(p.argb(x, 0),
                  0xFF000000u | uint32_t(i * 16) << 16 | uint32_t(255 - i * 16) << 8 | uint32_t(i));
    }

    p = decoded(s::pcx_indexed());
    ASSERT_EQ(p.width, 3);
    ASSERT_EQ(p.height, 2);
    EXPECT_EQ(p.argb(0, 0), 0xFF0000FFu);  // entry 0 = (0, 0, 255)
    EXPECT_EQ(p.argb(2, 0), 0xFF0204FDu);  // entry 2 = (2, 4, 253)
    EXPECT_EQ(p.argb(1, 1), 0xFFC89037u);  // entry 200 = (200, 144, 55)

    p = decoded(s::pcx_rgb());
    ASSERT_EQ(p.width, 2);
    EXPECT_EQ(p.argb(0, 0), 0xFFFF000Au);
    EXPECT_EQ(p.argb(1, 0), 0xFF018014u);
}

TEST(PicturePcx, RejectsBadLayouts) {
    Bytes b = s::pcx_mono();
    b[66] = 0;  // bytes per line shorter than the width needs
    EXPECT_TRUE(decode_pcx(span(b)).empty());
    b = s::pcx_mono();
    b[3] = 2;  // 2 bits per pixel is not decoded
    EXPECT_TRUE(decode_pcx(span(b)).empty());
    b = s::pcx_mono();
    b[4] = 9;  // x min past x max
    EXPECT_TRUE(decode_pcx(span(b)).empty());
    b = s::pcx_indexed();
    b[b.size() - 769] = 0;  // no palette marker
    EXPECT_TRUE(decode_pcx(span(b)).empty());
}

// Every strict prefix of every sample gives a clean empty result, and so does
// every one-byte change that the decoders notice (the rest must not crash).
TEST(PictureTruncation, EveryPrefixGivesNothing) {
    for (const auto& [name, file] : s::all()) {
        DecodedPicture whole = decode_picture(span(file));
        ASSERT_TRUE(whole.status == PictureStatus::Decoded ||
                    whole.status == PictureStatus::PngNotDecoded)
            << name;
        for (size_t n = 0; n < file.size(); ++n) {
            DecodedPicture d = decode_picture(ByteSpan(file.data(), n));
            EXPECT_TRUE(d.picture.empty()) << name << " prefix " << n;
            EXPECT_NE(d.status, PictureStatus::Decoded) << name << " prefix " << n;
            EXPECT_NE(d.status, PictureStatus::PngNotDecoded) << name << " prefix " << n;
        }
        for (size_t i = 0; i < file.size() && i < 2048; ++i) {
            Bytes changed = file;
            changed[i] ^= 0xA5;
            DecodedPicture d = decode_picture(span(changed));
            if (d.status == PictureStatus::Decoded) {
                EXPECT_EQ(d.picture.bgra.size(),
                          size_t(d.picture.width) * size_t(d.picture.height) * 4);
            }
        }
    }
}

}  // namespace
}  // namespace yq
