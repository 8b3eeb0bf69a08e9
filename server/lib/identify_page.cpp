#include "server/lib/identify_page.h"

namespace yq::server {

std::string identify_page_html() {
    // Narrow literals are GBK (the build's execution character set), as
    // the page declares.
    return std::string(
        "<!DOCTYPE html>\n<html><head><meta charset=\"gbk\"><title>字体识别</title></head>\n"
        "<body>\n<h1>字体识别</h1>\n"
        "<form action=\"/identify/answer\" method=\"post\" enctype=\"multipart/form-data\">\n"
        "<p>上传一张有文字的图片:</p>\n"
        "<input type=\"file\" id=\"uploaded_file\" name=\"uploaded_file\" accept=\"image/*\">\n"
        "<button type=\"submit\" id=\"forward\">识别</button>\n"
        "</form>\n</body></html>\n");
}

std::string identify_answer_html(bool picture_sent, uint64_t picture_bytes) {
    std::string what = picture_sent && picture_bytes > 0
                           ? "收到图片 " + std::to_string(picture_bytes) + " 字节。"
                           : std::string("没有收到图片。");
    return "<!DOCTYPE html>\n<html><head><meta charset=\"gbk\"><title>识别结果</title></head>\n"
           "<body>\n<h1>识别结果</h1>\n<p>" +
           what + "这是测试服务器的示例页面,不识别字体。</p>\n</body></html>\n";
}

std::string identify_refusal_html(int status, std::string_view title, std::string_view why) {
    std::string s = std::to_string(status) + " " + std::string(title);
    return "<!DOCTYPE html>\n<html><head><meta charset=\"gbk\"><title>" + s +
           "</title></head>\n<body>\n<h1>" + s + "</h1>\n<p>" + std::string(why) +
           "</p>\n</body></html>\n";
}

}  // namespace yq::server
