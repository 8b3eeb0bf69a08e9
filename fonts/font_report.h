// What the user is told when an install or a removal did not do what was
// asked: a failure is said as a failure, with the fonts it concerns, never
// as "完毕".
//
//   face_taken_message  one font refused because another answers to its face
//   batch_summary       the one box at the end of a batch of installs or removals
//   drop_summary        the one box at the end of a drop of fonts on the window
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace yq {

// Why one font of a batch failed, in the user's words.
inline constexpr char kWhyFaceTaken[] = "已有同名字体";
inline constexpr char kWhyNotAFont[] = "不是可用的字体";
inline constexpr char kWhyInstallFailed[] = "安装失败";
inline constexpr char kWhyNotCopied[] = "无法存入回收站";
inline constexpr char kWhyNotRemoved[] = "系统未能移除";
inline constexpr char kWhyNotDeleted[] = "无法删除文件";

// Failed fonts named in a summary; the rest are counted only.
inline constexpr size_t kNamedFailures = 5;

struct FailedFont {
    std::string name;  // the file or face the user sees in the list
    std::string why;   // one of the kWhy texts
};

// "系统中已有同名字体:" + face + "\n为保护原有字体,未安装此字体!"
std::string face_taken_message(std::string_view face);

// `verb` + "完毕!" when nothing failed; otherwise verb + "完成" + succeeded +
// "个,失败" + failed + "个:" and a line "name(why)" for each of the first
// kNamedFailures failures, then "……" when there are more.
std::string batch_summary(std::string_view verb, int succeeded,
                          const std::vector<FailedFont>& failed);

// "已安装" + n + "个字体。", then the fonts whose very bytes were installed
// already, then the refused as a batch names its failures; a drop that
// held no font at all says so.
std::string drop_summary(int installed, int already_installed,
                         const std::vector<FailedFont>& refused);

}  // namespace yq
