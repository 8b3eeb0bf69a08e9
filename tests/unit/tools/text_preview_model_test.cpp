#include "tools/text_preview_model.h"

#include <gtest/gtest.h>

#include "server/lib/text_query.h"

namespace yq {
namespace {

// Whatever the guard lets through reaches the server's /text.php exactly as
// typed: the program's encoding and the server's decoding agree.
TEST(TextPreview, TypedTextAndSizeArriveAtTheServerAsTyped) {
    const std::string base = "http://127.0.0.1:18080";
    struct Case {
        std::string text, size, font;
    };
    for (const Case& c : {Case{"永和九年 #1+2%", "24", "楷体"}, Case{"", "6", "Yq Font"},
                          Case{"a%41b+c d", " 12", "字体 #1"}, Case{"中文", "１２", "x"},
                          Case{"100%", "30", "f"}}) {
        const std::string url = preview_url(base, c.text, c.size, c.font);
        ASSERT_EQ(url.rfind(base + "/text.php?", 0), 0u) << url;
        // One "#" would end the address before the server sees it.
        EXPECT_EQ(url.find('#'), std::string::npos) << url;
        server::TextQueryResult r = server::parse_text_query(url.substr(url.find('?') + 1));
        ASSERT_TRUE(r.query) << url << ": " << r.error;
        EXPECT_EQ(r.query->msg, c.text) << url;
        EXPECT_EQ(r.query->font_name, c.font) << url;
        EXPECT_EQ(r.query->rot, 15);
    }
    // The keys in their order, the size as typed (a leading space kept).
    EXPECT_EQ(preview_url(base, "ab", " 12", "F"),
              base + "/text.php?msg=ab&rot=15&size=%2012&font=fonts/F.ttf");
}

TEST(TextPreview, GuardsOnTheTextAndTheSize) {
    EXPECT_FALSE(previewable_text("a&b"));
    EXPECT_TRUE(previewable_text(""));
    EXPECT_TRUE(previewable_text("永和九年 #1+2%"));
    for (const char* ok : {"6", "30", "１２", " 12", "12px"}) EXPECT_TRUE(previewable_size(ok)) << ok;
    for (const char* bad : {"5", "31", "abc", "", "-7"}) EXPECT_FALSE(previewable_size(bad)) << bad;
}

}  // namespace
}  // namespace yq
