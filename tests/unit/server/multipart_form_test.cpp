// The identification form's body reader: its boundary, its parts however
// the body is cut into pieces, every truncation, and its limits.
#include <gtest/gtest.h>

#include "server/lib/multipart_form.h"

namespace yq::server {
namespace {

using Error = FormFieldCounter::Error;

struct Counted {
    bool whole;
    Error error;
    bool found;
    uint64_t bytes;
    bool operator==(const Counted&) const = default;
};

// Feeds `body` in the pieces that `cuts` (ascending offsets) make of it.
Counted count(std::string_view body, const std::vector<size_t>& cuts = {}) {
    FormFieldCounter form("B0und", "uploaded_file");
    size_t at = 0;
    for (size_t cut : cuts) {
        form.feed(body.substr(at, cut - at));
        at = cut;
    }
    form.feed(body.substr(at));
    bool whole = form.finish();
    return {whole, form.error(), form.field_found(), form.field_bytes()};
}

// The picture: bytes that look like delimiters but are not one.
const std::string kPicture =
    "PNG--B0und\r\n"            // no CR LF before it
    "\r\n--B0und-x\r\n"         // "--" after it must be two dashes
    "\r\n--B0und \tX\r\n"       // blanks, then not a line end
    "\r\n--B0undary\r\n"        // a longer boundary is another one
    "\r\n--B0un\r\n-\r\r\n\n";  // a part of one

// A form as browsers send it: a preamble, a text field, the picture, a
// second part of the same name (not counted), and an epilogue.
const std::string kForm =
    "preamble\r\n"
    "--B0und\r\n"
    "Content-Disposition: form-data; name=\"note\"\r\n\r\n"
    "uploaded_file\r\n"
    "--B0und  \r\n"  // blanks before the line end are allowed
    "content-disposition: form-data; filename=\"name=uploaded_file\"; NAME=\"uploaded_file\"\r\n"
    "Content-Type: image/png\r\n\r\n" +
    kPicture +
    "\r\n--B0und\r\n"
    "Content-Disposition: form-data; name=uploaded_file\r\n\r\n"
    "second\r\n"
    "--B0und--\r\n"
    "epilogue --B0und\r\n";

TEST(FormFieldCounter, CountsTheFieldHoweverTheBodyIsCut) {
    const Counted expected{true, Error::None, true, kPicture.size()};
    EXPECT_EQ(count(kForm), expected);
    std::vector<size_t> every_byte;
    for (size_t i = 1; i < kForm.size(); ++i) every_byte.push_back(i);
    EXPECT_EQ(count(kForm, every_byte), expected);
    for (size_t i = 1; i < kForm.size(); ++i) EXPECT_EQ(count(kForm, {i}), expected) << i;

    // A part without headers, and an upload input left empty.
    EXPECT_EQ(count("--B0und\r\n\r\nx\r\n--B0und--"), (Counted{true, Error::None, false, 0}));
    EXPECT_EQ(count("--B0und\r\nContent-Disposition: form-data; name=\"uploaded_file\"; "
                    "filename=\"\"\r\n\r\n\r\n--B0und--"),
              (Counted{true, Error::None, true, 0}));
}

TEST(FormFieldCounter, EveryTruncationIsReported) {
    const size_t closed = kForm.find("--B0und--") + 9;  // whole from here on
    for (size_t n = 0; n < kForm.size(); ++n) {
        Counted c = count(kForm.substr(0, n));
        EXPECT_EQ(c.whole, n >= closed) << n;
        EXPECT_EQ(c.error, n >= closed ? Error::None : Error::Truncated) << n;
    }
    // No delimiter at all, or only a boundary that differs.
    EXPECT_EQ(count("just bytes").error, Error::Truncated);
    EXPECT_EQ(count("--other\r\n\r\nx\r\n--other--").error, Error::Truncated);
}

TEST(FormFieldCounter, RefusesHugeHeadsAndTooManyPartsWithinItsMemoryBound) {
    // A head of exactly the limit, blank line included, and one byte more.
    auto head_of = [](size_t total) {
        std::string line = "Content-Disposition: form-data; name=\"uploaded_file\"\r\nX: ";
        return line + std::string(total - line.size() - 4, 'h') + "\r\n\r\n";
    };
    for (size_t total : {kMaxPartHeadBytes, kMaxPartHeadBytes + 1}) {
        std::string body = "--B0und\r\n" + head_of(total) + "data\r\n--B0und--";
        FormFieldCounter form("B0und", "uploaded_file");
        for (size_t at = 0; at < body.size(); at += 1000) {
            form.feed(std::string_view(body).substr(at, 1000));
            EXPECT_LE(form.buffered_bytes(), kMaxFormBufferBytes);
        }
        const bool fits = total == kMaxPartHeadBytes;
        EXPECT_EQ(form.finish(), fits) << total;
        EXPECT_EQ(form.error(), fits ? Error::None : Error::PartHeadTooLarge);
        EXPECT_EQ(form.field_bytes(), fits ? 4u : 0u);
    }
    // A head that never ends is refused as soon as it is over the limit.
    FormFieldCounter endless("B0und", "uploaded_file");
    endless.feed("--B0und\r\nX: ");
    EXPECT_FALSE(endless.feed(std::string(kMaxPartHeadBytes, 'h')));
    EXPECT_EQ(endless.error(), Error::PartHeadTooLarge);

    for (size_t parts : {kMaxFormParts, kMaxFormParts + 1}) {
        std::string body;
        for (size_t i = 0; i < parts; ++i) body += "--B0und\r\n\r\nx\r\n";
        EXPECT_EQ(count(body + "--B0und--").error,
                  parts > kMaxFormParts ? Error::TooManyParts : Error::None);
    }

    // A large picture goes through a few kilobytes at a time.
    FormFieldCounter large("B0und", "uploaded_file");
    large.feed("--B0und\r\nContent-Disposition: form-data; name=\"uploaded_file\"\r\n\r\n");
    // Every slice ends in what may be the start of a delimiter.
    std::string mebibyte;
    while (mebibyte.size() < (size_t{1} << 20)) mebibyte += "\r\n--B0un";
    for (int i = 0; i < 16; ++i) {
        large.feed(mebibyte);
        EXPECT_LE(large.buffered_bytes(), kMaxFormBufferBytes);
    }
    large.feed("\r\n--B0und--\r\n");
    EXPECT_TRUE(large.finish());
    EXPECT_EQ(large.field_bytes(), uint64_t{16} << 20);
}

TEST(FormBoundary, IsReadFromTheContentType) {
    const std::string seventy(70, 'b');
    struct Case {
        std::string content_type;
        std::optional<std::string> boundary;
    } cases[] = {
        {"multipart/form-data; boundary=----WebKitFormBoundary7MA4", "----WebKitFormBoundary7MA4"},
        {"Multipart/Form-Data;BOUNDARY=\"a b;c\"", "a b;c"},
        {"multipart/form-data; charset=gbk; boundary=x ; y=z", "x"},
        {"multipart/form-data; boundary=" + seventy, seventy},
        {"multipart/form-data; boundary=" + seventy + "b", std::nullopt},
        {"multipart/form-data", std::nullopt},
        {"multipart/form-data; boundary=", std::nullopt},
        {"multipart/form-data; boundary=\"\"", std::nullopt},
        {"multipart/form-data; boundary=\"\xD6\xD0\"", std::nullopt},
        {"multipart/form-data; xboundary=y", std::nullopt},
        {"multipart/mixed; boundary=x", std::nullopt},
        {"application/x-www-form-urlencoded", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(form_boundary(c.content_type), c.boundary) << c.content_type;
    EXPECT_TRUE(is_form_data("multipart/form-data"));
    EXPECT_FALSE(is_form_data("text/plain; boundary=x"));
}

}  // namespace
}  // namespace yq::server
