// The design of the main window: every control of the five pages of 选择夹1
// with its kind, page, position (page-area pixels), caption and visibility.
// The window builds itself from this table; the test probe reads it too.
#pragma once

#include <cstddef>

namespace yq {

enum class ControlKind {
    PictureButton,
    Label,
    FaceLabel,  // label with a picture: edit-box frame, sad or smiling face
    Panel,      // drawing panel with an off-screen buffer
    CheckBox,
    EditBox,
    Grid,
    GroupBox,
    TabStrip,
    WebView,
};

enum class Face { None, EditFrame, SearchIcon, Sad, Smile };

// Control identifiers; the names are those of the window design.
enum Ctl : int {
    kFirstControl = 1000,
    // system font page (index 0)
    图形按钮3 = kFirstControl,
    图形按钮4,
    图形按钮5,
    图形按钮25,
    图形按钮17,
    标签2,
    选择框4,
    系统字体表格,
    系统字体表格2,
    标签10,
    编辑框1,
    图形按钮23,
    选择框5,
    标签13,
    标签12,
    编辑框2,
    选择框6,
    选择框7,
    标签18,
    标签20,
    分组框6,
    超文本浏览框1,
    // catalogue page (index 1)
    高级选择夹2,
    图形按钮26,
    分类画板,
    标签14,
    标签15,
    编辑框4,
    标签17,
    标签16,
    编辑框5,
    前台画板,
    后台画板,
    图形按钮18,
    图形按钮19,
    图形按钮20,
    图形按钮21,
    图形按钮22,
    图形按钮2,
    图形按钮6,
    图形按钮7,
    图形按钮8,
    标签1,
    // downloaded fonts page (index 2)
    图形按钮30,
    图形按钮31,
    选择框8,
    标签3,
    图形按钮27,
    图形按钮14,
    图形按钮28,
    选择框2,
    我的字体表格,
    标签6,
    // recycle bin page (index 3)
    标签4,
    图形按钮15,
    图形按钮16,
    选择框1,
    回收站表格,
    标签5,
    标签9,
    // backup page (index 4)
    图形按钮29,
    图形按钮1,
    图形按钮10,
    标签19,
    选择框3,
    备份表格,
    标签7,
    标签8,
    kControlEnd
};

// What each control does: the names the program's code uses for them. The
// design names above stay in this table and in the test probe's lookup.
namespace ctl {
// system font page
inline constexpr Ctl kNewestFirstButton = 图形按钮3;       // 按时间排序
inline constexpr Ctl kChineseFirstButton = 图形按钮4;      // 按语言排序
inline constexpr Ctl kInitialLetterButton = 图形按钮5;     // 按首拼排序
inline constexpr Ctl kRefreshButton = 图形按钮25;          // 刷新
inline constexpr Ctl kUninstallTickedButton = 图形按钮17;  // 卸载
inline constexpr Ctl kFontCountLabel = 标签2;              // 系统字体数:
inline constexpr Ctl kSelectAllFontsBox = 选择框4;         // 全选
inline constexpr Ctl kFontGrid = 系统字体表格;
inline constexpr Ctl kSearchResultGrid = 系统字体表格2;
inline constexpr Ctl kSearchBoxFrame = 标签10;
inline constexpr Ctl kSearchBox = 编辑框1;  // 模糊查询
inline constexpr Ctl kSearchIconButton = 图形按钮23;
inline constexpr Ctl kCaseSensitiveBox = 选择框5;  // 区分大小写
inline constexpr Ctl kPreviewTextLabel = 标签13;   // 自定义预览:
inline constexpr Ctl kPreviewTextFrame = 标签12;
inline constexpr Ctl kPreviewTextBox = 编辑框2;
inline constexpr Ctl kFreeOnlyBox = 选择框6;      // 仅显示可免费商用
inline constexpr Ctl kFullChineseOnlyBox = 选择框7;  // 仅显示完整中文字体
inline constexpr Ctl kUninstallProgressLabel = 标签18;
inline constexpr Ctl kNoResultLabel = 标签20;  // 查询无结果!
inline constexpr Ctl kAdGroup = 分组框6;
inline constexpr Ctl kAdView = 超文本浏览框1;
// catalogue page
inline constexpr Ctl kGroupTabs = 高级选择夹2;      // 中文字体 | 专题字体 | 英文字体
inline constexpr Ctl kIdentifyButton = 图形按钮26;  // 字体识别
inline constexpr Ctl kCategoryPanel = 分类画板;
inline constexpr Ctl kPreviewPictureLabel = 标签14;
inline constexpr Ctl kSampleTextFrame = 标签15;
inline constexpr Ctl kSampleTextBox = 编辑框4;   // 预览文字
inline constexpr Ctl kSampleSizeLabel = 标签17;  // 字号:
inline constexpr Ctl kSampleSizeFrame = 标签16;
inline constexpr Ctl kSampleSizeBox = 编辑框5;
inline constexpr Ctl kListPanel = 前台画板;
inline constexpr Ctl kListBuffer = 后台画板;
inline constexpr Ctl kRowPreviewButtons[5] = {图形按钮18, 图形按钮19, 图形按钮20, 图形按钮21,
                                              图形按钮22};  // 预览 of rows 1..5
inline constexpr Ctl kFirstPageButton = 图形按钮2;          // 首页
inline constexpr Ctl kPreviousPageButton = 图形按钮6;       // 上一页
inline constexpr Ctl kNextPageButton = 图形按钮7;           // 下一页
inline constexpr Ctl kLastPageButton = 图形按钮8;           // 末页
inline constexpr Ctl kPageIndicatorLabel = 标签1;           // page / pages
// downloaded fonts page
inline constexpr Ctl kDownloadedCountLabel = 标签3;            // 已下载字体数:
inline constexpr Ctl kReinstallButton = 图形按钮27;            // 重装
inline constexpr Ctl kUninstallDownloadedButton = 图形按钮14;  // 卸载
inline constexpr Ctl kOpenDownloadFolderButton = 图形按钮28;   // 打开字体目录
inline constexpr Ctl kSelectAllDownloadedBox = 选择框2;        // 全选
inline constexpr Ctl kDownloadedGrid = 我的字体表格;
inline constexpr Ctl kSwitchOnButton = 图形按钮30;   // 临时启用
inline constexpr Ctl kSwitchOffButton = 图形按钮31;  // 停用
inline constexpr Ctl kKeepSwitchedOnBox = 选择框8;   // 退出后仍启用
inline constexpr Ctl kDownloadedStateLabel = 标签6;  // empty list, or the reinstall's progress
// recycle bin page
inline constexpr Ctl kBinCountLabel = 标签4;
inline constexpr Ctl kPurgeButton = 图形按钮15;    // 清空
inline constexpr Ctl kRestoreButton = 图形按钮16;  // 还原
inline constexpr Ctl kSelectAllBinBox = 选择框1;   // 全选
inline constexpr Ctl kBinGrid = 回收站表格;
inline constexpr Ctl kBinEmptyLabel = 标签5;  // 没得删了!
inline constexpr Ctl kBinProgressLabel = 标签9;
// backup page
inline constexpr Ctl kOpenBackupFolderButton = 图形按钮29;  // 打开备份目录
inline constexpr Ctl kBackUpButton = 图形按钮1;             // 一键备份
inline constexpr Ctl kRestoreBackupsButton = 图形按钮10;    // 一键还原
inline constexpr Ctl kBackupCountLabel = 标签19;            // 已备份字体数:
inline constexpr Ctl kSelectAllBackupsBox = 选择框3;        // 全选
inline constexpr Ctl kBackupGrid = 备份表格;
inline constexpr Ctl kBackupEmptyLabel = 标签7;     // 你还未备份过!
inline constexpr Ctl kBackupProgressLabel = 标签8;  // 备份进行中.
}  // namespace ctl

struct ControlDesign {
    Ctl id;
    const char* name;  // design name (GBK)
    ControlKind kind;
    int page;    // index in 选择夹1
    Ctl parent;  // kControlEnd: the page itself
    int x, y, w, h;
    const char* caption;  // text, or the caption drawn into a picture button's faces
    bool visible;
    Face face;
    int grid_columns, grid_row_height;
};

inline constexpr int kPageCount = 5;
// Page names as the page control shows them, in index order.
extern const char* const kPageNames[kPageCount];

extern const ControlDesign kControls[];
extern const size_t kControlCount;

// The design of a control, or null for an unknown id.
const ControlDesign* find_control(int id);

}  // namespace yq
