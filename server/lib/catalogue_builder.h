// The catalogue builder: turns a folder of font files into everything the
// catalogue server publishes.
//
//   SRC/<group>/<category>/<font files>     group: 中文字体, 英文字体 or 特殊字体
//
// becomes, in OUT: ztdata.mdb (table "dl", one table per category and the
// licence table), ztysb.data (that database packed), ztwjj/<key>.tmp (each
// font packed), ztpz.txt, My.txt, ad.html, yanqing.exe (when given) and
// catalogue.tsv (the index the server finds /text.php fonts with). Layout
// and names: doc/publishing.md.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "base/version.h"
#include "server/lib/text_image.h"

namespace yq::server {

inline constexpr int kPreviewMaxWidth = 330;
inline constexpr int kPreviewHeight = 36;
inline constexpr int kPreviewLargestSize = 24;  // pixels; smaller when the name is long
inline constexpr int kPreviewSmallestSize = 10;
inline constexpr size_t kMaxCategoryNameUnits = 64;  // Jet table name limit
// The table of each font's licence class ("字体地址", "授权": the class's
// caption, "授权说明": the licence's first line); no category may take its name.
inline constexpr std::u16string_view kLicenceTable = u"字体授权";

struct BuildOptions {
    std::string source;                        // SRC
    std::string out;                           // OUT, created when missing
    std::string catalogue_version = "1.6";     // exactly 3 printable ASCII bytes
    std::string program_version = YQ_VERSION;  // printable ASCII, no blanks
    std::string exe;                           // copied to OUT/yanqing.exe when not empty
};

struct BuildReport {
    std::string error;                  // empty on success
    std::vector<std::string> warnings;  // files and folders left out, and why
    size_t fonts = 0;
    size_t categories = 0;
};

// Builds the catalogue. Unreadable fonts, duplicate face names within a
// category (the first by file name is kept) and folders that cannot become
// categories are left out with a warning; only problems with the options,
// SRC or OUT are errors.
BuildReport build_catalogue(const BuildOptions& options);

// The 字体地址 of a font: an ASCII slug of the file name, '-', and eight hex
// digits of a hash of group/category/file, e.g. "dejavusans-3f2a91c0". The
// same inputs always give the same key.
std::string font_key_for(std::string_view group, std::string_view category,
                         std::string_view file_name);

// The catalogue picture of a font: its face name drawn black on white, at
// most kPreviewMaxWidth wide and exactly kPreviewHeight high, as a 24-bit BMP.
Bytes make_preview_bmp(FontFace& face, std::u32string_view name);

// "主程序版本:" + version, in GBK: the body of My.txt.
std::string program_version_text(std::string_view version);

}  // namespace yq::server
