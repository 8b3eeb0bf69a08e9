#include "fonts/drop_model.h"

#include "base/file_names.h"
#include "fonts/install_record.h"

namespace yq {
namespace {

// Whether an archive name, read as a path, could step out of the folder it
// were unpacked in: a root, a drive, or a ".." part. Such names are what an
// attack looks like, so the entry is refused, not merely renamed.
bool leaves_the_pack(std::string_view name) {
    if (name.empty()) return false;
    if (name[0] == '/' || name[0] == '\\') return true;
    if (name.size() >= 2 && name[1] == ':') return true;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = name.size();
        if (name.substr(start, end - start) == "..") return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

DroppedKind dropped_kind(std::string_view file_name) {
    const std::string_view extension = split_extension(file_name).second;
    for (std::string_view font : {".ttf", ".ttc", ".otf"})
        if (same_name_ignoring_case(extension, font)) return DroppedKind::Font;
    if (same_name_ignoring_case(extension, ".zip")) return DroppedKind::Pack;
    return DroppedKind::Other;
}

PackEntryPlan plan_pack_entry(const zip::Entry& entry) {
    if (entry.state == zip::EntryState::Folder) return {};
    // The kind is the name's, whatever folders it claims to lie in.
    const DroppedKind kind = dropped_kind(file_name_of(entry.name));
    if (kind == DroppedKind::Other) return {};
    if (kind == DroppedKind::Pack) return {PackEntryPlan::kRefuse, "压缩包中的压缩包不打开"};
    if (leaves_the_pack(entry.name)) return {PackEntryPlan::kRefuse, "路径指向压缩包之外"};
    switch (entry.state) {
        case zip::EntryState::Encrypted:
            return {PackEntryPlan::kRefuse, "已加密"};
        case zip::EntryState::Unsupported:
            return {PackEntryPlan::kRefuse, "压缩方式不支持"};
        case zip::EntryState::TooLarge:
            return {PackEntryPlan::kRefuse, "文件过大"};
        default:
            break;
    }
    if (entry.file_name.empty()) return {PackEntryPlan::kRefuse, "文件名不可用"};
    return {PackEntryPlan::kInstall, ""};
}

std::string pack_entry_label(std::string_view pack_file_name, std::string_view entry_name) {
    std::string label(pack_file_name);
    label += " 中的 ";
    label += entry_name;
    return label;
}

}  // namespace yq
