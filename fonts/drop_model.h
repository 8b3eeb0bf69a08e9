// What a drop of files on the window installs: the rules that pick the
// fonts out of dropped files, folders and .zip packs (the box at the end is
// font_report.h's drop_summary). Portable; fonts/win/font_drop.h does the
// reading and the installing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fonts/font_report.h"
#include "platform/zip/zip_reader.h"

namespace yq {

// A dropped folder is searched this deep: its own files are depth 1, and a
// font pack's "字体/简体/" folders are well within it.
inline constexpr int kMaxDropFolderDepth = 4;
// The most files one drop looks at (dropped, in folders and in packs
// together); what lies past it is counted as refused, never read.
inline constexpr size_t kMaxDropItems = 20000;
// The largest font a pack may hold: the largest CJK collections are a few
// hundred megabytes short of it.
inline constexpr uint64_t kMaxPackedFontBytes = 256ull << 20;

enum class DroppedKind : uint8_t {
    Font,   // .ttf, .ttc, .otf: installed
    Pack,   // .zip: its fonts installed
    Other,  // anything else: passed over without a word
};
// By the name's extension, in any case.
DroppedKind dropped_kind(std::string_view file_name);

// What becomes of one entry of a dropped pack.
struct PackEntryPlan {
    enum Action : uint8_t { kInstall, kPassOver, kRefuse } action = kPassOver;
    const char* why = "";  // kRefuse: the reason, as the summary gives it
};
// An entry is installed under its own file name (the last part of its
// name) only when it is a readable font whose name stays inside the pack:
// a name with a ".." part, a root, or a drive is refused, as are encrypted,
// unsupported and oversized fonts and a pack inside the pack, which is not
// opened. Folders and other files are passed over.
PackEntryPlan plan_pack_entry(const zip::Entry& entry);

// Why a dropped file is not installed, beside font_report.h's reasons.
inline constexpr char kWhyUnreadable[] = "无法读取";
inline constexpr char kWhyDamagedPack[] = "压缩包已损坏";
inline constexpr char kWhyTooMany[] = "文件太多,未处理";

// The name a pack's entry has in the summary.
std::string pack_entry_label(std::string_view pack_file_name, std::string_view entry_name);

}  // namespace yq
