#include "app/control_design.h"

namespace yq {

const char* const kPageNames[kPageCount] = {"系统字体", "远程下载", "我的字体", "回收站", "备份"};

namespace {
using K = ControlKind;
constexpr Ctl kPage = kControlEnd;
}  // namespace

#define C(id, kind, page, x, y, w, h, caption, visible) \
    { id, #id, kind, page, kPage, x, y, w, h, caption, visible, Face::None, 0, 0 }
#define FACE(id, page, x, y, w, h, caption, visible, face) \
    { id, #id, K::FaceLabel, page, kPage, x, y, w, h, caption, visible, face, 0, 0 }
#define GRID(id, page, x, y, w, h, visible, cols, row_height) \
    { id, #id, K::Grid, page, kPage, x, y, w, h, "", visible, Face::None, cols, row_height }

const ControlDesign kControls[] = {
    C(图形按钮3, K::PictureButton, 0, 64, 0, 80, 24, "按时间排序", true),
    C(图形按钮4, K::PictureButton, 0, 168, 0, 80, 24, "按语言排序", true),
    C(图形按钮5, K::PictureButton, 0, 272, 0, 80, 24, "按首拼排序", true),
    C(图形按钮25, K::PictureButton, 0, 392, 0, 70, 24, "刷新", true),
    C(图形按钮17, K::PictureButton, 0, 504, 0, 70, 24, "卸载", true),
    C(标签2, K::Label, 0, 584, 0, 104, 24, "", true),
    C(选择框4, K::CheckBox, 0, 688, 0, 48, 24, "全选", true),
    GRID(系统字体表格, 0, 0, 25, 663, 367, true, 6, 33),
    GRID(系统字体表格2, 0, 0, 24, 848, 287, false, 3, 30),
    FACE(标签10, 0, 0, 392, 170, 26, "", true, Face::EditFrame),
    C(编辑框1, K::EditBox, 0, 6, 396, 140, 18, "模糊查询", true),
    {图形按钮23, "图形按钮23", K::PictureButton, 0, kPage, 151, 396, 16, 18, "", true,
     Face::SearchIcon, 0, 0},
    C(选择框5, K::CheckBox, 0, 174, 394, 80, 24, "区分大小写", true),
    C(标签13, K::Label, 0, 258, 393, 64, 24, "自定义预览:", true),
    FACE(标签12, 0, 322, 392, 142, 26, "", true, Face::EditFrame),
    C(编辑框2, K::EditBox, 0, 328, 396, 130, 18, "", true),
    C(选择框6, K::CheckBox, 0, 470, 394, 120, 24, "仅显示可免费商用", true),
    C(选择框7, K::CheckBox, 0, 594, 394, 132, 24, "仅显示完整中文字体", true),
    FACE(标签18, 0, 288, 208, 184, 64, "", false, Face::Smile),
    FACE(标签20, 0, 288, 208, 184, 64, "查询无结果!", false, Face::Sad),
    C(分组框6, K::GroupBox, 0, 0, 424, 848, 88, "你随手的一次点击就是我们无上的动力", true),
    {超文本浏览框1, "超文本浏览框1", K::WebView, 0, 分组框6, 0, 16, 736, 80, "", true, Face::None,
     0, 0},

    {高级选择夹2, "高级选择夹2", K::TabStrip, 1, kPage, 0, 1, 252, 26,
     "  中文字体  |  专题字体  |  英文字体  ", true, Face::None, 0, 0},
    C(图形按钮26, K::PictureButton, 1, 312, 0, 70, 24, "字体识别", true),
    C(分类画板, K::Panel, 1, 0, 25, 736, 143, "", true),
    C(标签14, K::Label, 1, 0, 168, 424, 40, "", true),
    FACE(标签15, 1, 424, 176, 200, 26, "", true, Face::EditFrame),
    C(编辑框4, K::EditBox, 1, 430, 180, 189, 18, "预览文字", true),
    C(标签17, K::Label, 1, 632, 176, 32, 24, "字号:", true),
    FACE(标签16, 1, 664, 176, 35, 26, "", true, Face::EditFrame),
    C(编辑框5, K::EditBox, 1, 667, 180, 30, 18, "30", true),
    C(前台画板, K::Panel, 1, 0, 208, 736, 251, "", true),
    {后台画板, "后台画板", K::Panel, 1, 前台画板, 184, 0, 744, 280, "", false, Face::None, 0, 0},
    C(图形按钮18, K::PictureButton, 1, 552, 220, 63, 23, "预览", false),
    C(图形按钮19, K::PictureButton, 1, 552, 270, 63, 23, "预览", false),
    C(图形按钮20, K::PictureButton, 1, 552, 320, 63, 23, "预览", false),
    C(图形按钮21, K::PictureButton, 1, 552, 370, 63, 23, "预览", false),
    C(图形按钮22, K::PictureButton, 1, 552, 420, 63, 23, "预览", false),
    C(图形按钮2, K::PictureButton, 1, 136, 464, 70, 24, "首页", true),
    C(图形按钮6, K::PictureButton, 1, 240, 464, 70, 24, "上一页", true),
    C(图形按钮7, K::PictureButton, 1, 336, 464, 70, 24, "下一页", true),
    C(图形按钮8, K::PictureButton, 1, 440, 464, 70, 24, "末页", true),
    C(标签1, K::Label, 1, 544, 464, 104, 24, "", true),

    C(图形按钮30, K::PictureButton, 2, 0, 0, 64, 24, "临时启用", true),
    C(图形按钮31, K::PictureButton, 2, 68, 0, 48, 24, "停用", true),
    C(选择框8, K::CheckBox, 2, 124, 0, 112, 24, "退出后仍启用", true),
    C(标签3, K::Label, 2, 248, 0, 136, 24, "", true),
    C(图形按钮27, K::PictureButton, 2, 392, 0, 70, 24, "重装", true),
    C(图形按钮14, K::PictureButton, 2, 466, 0, 70, 24, "卸载", true),
    C(图形按钮28, K::PictureButton, 2, 552, 0, 100, 24, "打开字体目录", true),
    C(选择框2, K::CheckBox, 2, 682, 0, 48, 24, "全选", true),
    GRID(我的字体表格, 2, 0, 25, 663, 455, false, 4, 30),
    FACE(标签6, 2, 208, 208, 336, 64, "你还没下载过呢,或本地清单还未刷新请稍后在试!", true,
         Face::Sad),

    C(标签4, K::Label, 3, 208, 0, 136, 24, "", true),
    C(图形按钮15, K::PictureButton, 3, 392, 0, 70, 24, "清空", true),
    C(图形按钮16, K::PictureButton, 3, 536, 0, 70, 24, "还原", true),
    C(选择框1, K::CheckBox, 3, 682, 0, 48, 24, "全选", true),
    GRID(回收站表格, 3, 0, 25, 663, 455, false, 3, 24),
    FACE(标签5, 3, 288, 208, 184, 64, "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n没得删了!", true,
         Face::Sad),
    FACE(标签9, 3, 288, 208, 184, 64, "", false, Face::Smile),

    C(图形按钮29, K::PictureButton, 4, 101, 0, 100, 24, "打开备份目录", true),
    C(图形按钮1, K::PictureButton, 4, 232, 0, 70, 24, "一键备份", true),
    C(图形按钮10, K::PictureButton, 4, 392, 0, 70, 24, "一键还原", true),
    C(标签19, K::Label, 4, 504, 0, 136, 24, "", true),
    C(选择框3, K::CheckBox, 4, 682, 0, 48, 24, "全选", true),
    GRID(备份表格, 4, 0, 25, 663, 455, true, 3, 24),
    FACE(标签7, 4, 288, 208, 184, 64, "你还未备份过!赶紧备份吧!", true, Face::Sad),
    FACE(标签8, 4, 288, 208, 184, 64, "备份进行中.", false, Face::Smile),
};

#undef C
#undef FACE
#undef GRID

const size_t kControlCount = sizeof kControls / sizeof kControls[0];

const ControlDesign* find_control(int id) {
    for (const ControlDesign& c : kControls) {
        if (c.id == id) return &c;
    }
    return nullptr;
}

}  // namespace yq
