#include "fonts/font_report.h"

namespace yq {

std::string face_taken_message(std::string_view face) {
    return "系统中已有同名字体:" + std::string(face) + "\n为保护原有字体,未安装此字体!";
}

namespace {

void append_failures(std::string& text, const std::vector<FailedFont>& failed) {
    for (size_t i = 0; i < failed.size() && i < kNamedFailures; ++i)
        text += "\n" + failed[i].name + "(" + failed[i].why + ")";
    if (failed.size() > kNamedFailures) text += "\n……";
}

}  // namespace

std::string batch_summary(std::string_view verb, int succeeded,
                          const std::vector<FailedFont>& failed) {
    if (failed.empty()) return std::string(verb) + "完毕!";
    std::string text = std::string(verb) + "完成" + std::to_string(succeeded) + "个,失败" +
                       std::to_string(failed.size()) + "个:";
    append_failures(text, failed);
    return text;
}

std::string drop_summary(int installed, int already_installed,
                         const std::vector<FailedFont>& refused) {
    if (installed == 0 && already_installed == 0 && refused.empty())
        return "拖入的文件中没有字体。";
    std::string text = "已安装";
    text += std::to_string(installed);
    text += "个字体。";
    if (already_installed > 0) {
        text += '\n';
        text += std::to_string(already_installed);
        text += "个早已安装(文件相同),未做改动。";
    }
    if (!refused.empty()) {
        text += '\n';
        text += std::to_string(refused.size());
        text += "个未安装:";
        append_failures(text, refused);
    }
    return text;
}

}  // namespace yq
