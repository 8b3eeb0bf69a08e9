#include "fonts/font_report.h"

namespace yq {

std::string face_taken_message(std::string_view face) {
    return "系统中已有同名字体:" + std::string(face) + "\n为保护原有字体,未安装此字体!";
}

std::string batch_summary(std::string_view verb, int succeeded,
                          const std::vector<FailedFont>& failed) {
    if (failed.empty()) return std::string(verb) + "完毕!";
    std::string text = std::string(verb) + "完成" + std::to_string(succeeded) + "个,失败" +
                       std::to_string(failed.size()) + "个:";
    for (size_t i = 0; i < failed.size() && i < kNamedFailures; ++i)
        text += "\n" + failed[i].name + "(" + failed[i].why + ")";
    if (failed.size() > kNamedFailures) text += "\n……";
    return text;
}

}  // namespace yq
