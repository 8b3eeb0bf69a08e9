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
