#include "fonts/font_tooltip_model.h"

#include "base/file_names.h"

namespace yq {

std::string coverage_percent(unsigned n, unsigned total) {
    if (total == 0) return "0.0";
    if (n > total) n = total;
    const unsigned long long tenths = 1000ull * n / total;  // rounded down
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

namespace {

std::string count_line(const char* label, unsigned n, unsigned total) {
    return std::string(label) + std::to_string(n) + " / " + std::to_string(total) + " (" +
           coverage_percent(n, total) + "%)";
}

}  // namespace

std::string font_tooltip_text(std::string_view path, FontScope scope,
                              const sfnt::HanziCoverage& coverage, const LicenceSummary& licence) {
    std::string text = "文件: " + std::string(file_name_of(path)) + "\r\n路径: " + std::string(path) +
                       "\r\n安装: " + (scope == FontScope::User ? "当前用户" : "所有用户");
    if (!coverage.ok) {
        text += "\r\n汉字覆盖: 无法读取字符表";
    } else {
        text += "\r\n" + count_line("GB2312 汉字: ", coverage.gb2312, sfnt::kGb2312HanziCount) +
                "\r\n" + count_line("常用 3500 字: ", coverage.common, sfnt::kCommonHanziCount);
    }
    text += "\r\n授权: " + licence_caption(licence.kind);
    if (!licence.first_line.empty()) text += "\r\n授权说明: " + licence.first_line;
    return text;
}

}  // namespace yq
