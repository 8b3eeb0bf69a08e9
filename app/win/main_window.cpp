#include "app/win/main_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include "app/layout_model.h"
#include "app/win/app_state.h"
#include "app/win/handlers.h"
#include "app/win/settings.h"
#include "base/text.h"
#include "catalogue/win/status_line.h"
#include "platform/win/controls.h"
#include "platform/win/grid.h"
#include "platform/win/ui_thread.h"
#include "resources/artwork.h"
#include "skin/win/frame.h"

#ifndef YQ_SERVER_URL
#define YQ_SERVER_URL "http://127.0.0.1:18080"
#endif

namespace yq {

AppState g_app;

namespace {

constexpr COLORREF kPageBackground = RGB(250, 250, 250);
constexpr UINT_PTR kTimer1 = 1, kTimer2 = 2;  // 时钟1 (caption fades), 时钟2 (download rings)
constexpr UINT kMenuCheckUpdate = 101, kMenuHomePage = 102, kMenuAbout = 103;
HINSTANCE g_instance = nullptr;

void place_pages() {
    RECT r;
    GetClientRect(g_app.page_control, &r);
    for (HWND p : g_app.pages) MoveWindow(p, 0, 0, r.right, r.bottom, TRUE);
}

void show_page(int page) {
    g_app.current_page = page;
    for (int i = 0; i < kPageCount; ++i) {
        ShowWindow(g_app.pages[i], i == page ? SW_SHOW : SW_HIDE);
    }
}

LRESULT CALLBACK page_area_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_LBUTTONDOWN) close_skin_popup_on_page_press();
    return DefSubclassProc(w, msg, wp, lp);
}

HWND create_control(const ControlDesign& d) {
    HWND parent = d.parent == kControlEnd ? g_app.pages[d.page] : ctl(d.parent);
    HWND w = nullptr;
    switch (d.kind) {
        case ControlKind::PictureButton:
            w = win::create_picture_button(parent, d.id, d.x, d.y, d.w, d.h, d.caption);
            if (d.face == Face::SearchIcon) {
                win::set_button_faces(
                    w, {art::search_icon(art::Look::Normal), art::search_icon(art::Look::Hover),
                        art::search_icon(art::Look::Pressed), nullptr});
            } else {
                win::set_button_faces(w, art::button_faces(d.w, d.h, d.caption));
            }
            break;
        case ControlKind::Label:
            w = win::create_label(parent, d.id, d.x, d.y, d.w, d.h, d.caption);
            break;
        case ControlKind::FaceLabel:
            w = win::create_label(parent, d.id, d.x, d.y, d.w, d.h, d.caption);
            win::set_label_picture(w, d.face == Face::EditFrame ? art::edit_frame(d.w, d.h)
                                      : d.face == Face::Smile   ? art::smile_face()
                                                                : art::sad_face());
            break;
        case ControlKind::Panel:
            w = win::create_panel(parent, d.id, d.x, d.y, d.w, d.h, RGB(255, 255, 255));
            break;
        case ControlKind::CheckBox:
            w = win::create_check_box(parent, d.id, d.x, d.y, d.w, d.h, d.caption);
            break;
        case ControlKind::EditBox:
            w = win::create_edit(parent, d.id, d.x, d.y, d.w, d.h, d.caption);
            break;
        case ControlKind::Grid:
            w = win::create_grid(parent, d.id, d.x, d.y, d.w, d.h, d.grid_columns,
                                 d.grid_row_height);
            break;
        case ControlKind::GroupBox:
            w = win::create_group_box(parent, d.id, d.x, d.y, d.w, d.h, d.caption);
            break;
        case ControlKind::TabStrip:
            w = win::create_tab_strip(parent, d.id, d.x, d.y, d.w, d.h,
                                      {"  中文字体  ", "  专题字体  ", "  英文字体  "});
            break;
        case ControlKind::WebView: {
            std::string address = g_app.server_url + "/ad.html";
            w = win::create_web_view(parent, d.id, d.x, d.y, d.w, d.h, address.c_str());
            break;
        }
    }
    if (w && d.visible) ShowWindow(w, SW_SHOWNA);
    return w;
}

void create_controls(HWND main) {
    // 选择夹1 holds the five pages without tab headers of its own: the skin's
    // drawn tabs are the navigation.
    g_app.page_control = win::create_page(main, 5, 104, 736, 544, kPageBackground);
    SetWindowTextA(g_app.page_control, "选择夹1");
    ShowWindow(g_app.page_control, SW_SHOW);
    for (int i = 0; i < kPageCount; ++i) {
        g_app.pages[i] = win::create_page(g_app.page_control, 0, 0, 736, 544, kPageBackground);
        SetWindowTextA(g_app.pages[i], kPageNames[i]);
    }
    place_pages();
    for (size_t i = 0; i < kControlCount; ++i) {
        const ControlDesign& d = kControls[i];
        g_app.controls[d.id - kFirstControl] = create_control(d);
    }
    // The page area closes the skin colour popup when pressed.
    for (HWND p : g_app.pages) SetWindowSubclass(p, page_area_proc, 1, 0);
}

void set_grid_cell_kinds() {
    using win::CellKind;
    for (Ctl g : {我的字体表格, 回收站表格}) {
        win::grid_set_column_kind(ctl(g), 2, CellKind::CheckBox);
        win::grid_set_column_width(ctl(g), 0, 400);
        win::grid_set_column_width(ctl(g), 1, 192);
    }
    win::grid_set_column_kind(ctl(备份表格), 0, CellKind::Text);
    win::grid_set_column_kind(ctl(备份表格), 1, CellKind::Text);
    win::grid_set_column_kind(ctl(备份表格), 2, CellKind::CheckBox);
    win::grid_set_column_kind(ctl(系统字体表格2), 2, CellKind::CheckBox);
    for (int c : {0, 1, 3, 4}) win::grid_set_column_kind(ctl(系统字体表格), c, CellKind::Text);
    for (int c : {2, 5}) win::grid_set_column_kind(ctl(系统字体表格), c, CellKind::CheckBox);
}

void request_privilege() {
    using AdjustFn = LONG(WINAPI*)(ULONG, BOOLEAN, BOOLEAN, PBOOLEAN);
    auto adjust = reinterpret_cast<AdjustFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlAdjustPrivilege")));
    BOOLEAN previous = FALSE;
    if (adjust) adjust(3, TRUE, FALSE, &previous);  // SeAssignPrimaryTokenPrivilege; may fail
}

HWND create_web_page_window(HWND owner) {
    WNDCLASSEXA wc{sizeof wc};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = g_instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "YqWebPage";
    RegisterClassExA(&wc);
    HWND w = CreateWindowExA(0, wc.lpszClassName, "字体识别",
                             WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                             670, 501, owner, nullptr, g_instance, nullptr);
    win::create_web_view(w, 1, 0, 0, 664, 472, "");
    return w;
}

// Main window creation: runs once the window and all its controls exist.
void main_window_creation(HWND main) {
    request_privilege();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    g_app.row_button_tops = {11, 62, 111, 161, 211};
    for (Ctl b : {图形按钮18, 图形按钮19, 图形按钮20, 图形按钮21, 图形按钮22}) {
        win::set_button_faces(ctl(b), art::button_faces(63, 23, "预览"));
    }
    g_app.skin.picture = kDefaultHeaderPicture;  // the header picture loaded with the skin images
    g_app.server_url = YQ_SERVER_URL;
    win::web_view_navigate(ctl(超文本浏览框1), g_app.server_url + "/ad.html");
    const char* captions[5] = {"字体下载", "字体管理", "我的字体", " 回收站 ", "字体备份"};
    const float caption_x[5] = {20.0f, 96.0f, 173.0f, 247.0f, 322.0f};
    for (int k = 0; k < 9; ++k) {
        int left = 9 + 76 * k;
        g_app.tabs[k] =
            k < 5 ? SkinTab{{left, 31, left + 76, 31 + 48}, 0, captions[k], caption_x[k], 82.0f}
                  : SkinTab{{left, 0, left, 0}, 0, "", 0.0f, 0.0f};
    }
    g_app.tabs[0].state = 2;
    g_app.control_press = 0;
    int preset = text_to_int(read_setting(kSettingsSection, "pf", "8"));
    g_app.skin.mode = text_to_int(read_setting(kSettingsSection, "lb"));
    skin_apply(preset, true, 0, false);
    draw_status_line(0, false);
    g_app.web_page_window = create_web_page_window(main);
    set_grid_cell_kinds();
    show_page(1);
    g_app.listing_order = 2;
    wire_event_handlers();
    start_background_work();
}

void size_changed_layout(HWND main) {
    RECT wr;
    GetWindowRect(main, &wr);
    int W = wr.right - wr.left, H = wr.bottom - wr.top;
    MainLayout m = compute_main_layout(W, H);
    SetWindowRgn(main, CreateRoundRectRgn(m.region.x, m.region.y, m.region.w, m.region.h, 3, 3),
                 FALSE);
    if (!g_app.page_control) return;
    MoveWindow(g_app.page_control, m.page_control.x, m.page_control.y, m.page_control.w,
               m.page_control.h, TRUE);
    place_pages();
    auto set_width = [](Ctl id, int width) {
        HWND w = ctl(id);
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(nullptr, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
        MoveWindow(w, r.left, r.top, width, r.bottom - r.top, TRUE);
    };
    for (Ctl id : {系统字体表格, 系统字体表格2, 分组框6, 备份表格, 我的字体表格, 回收站表格}) {
        set_width(id, m.list_width);
    }
    for (Ctl id : {备份表格, 回收站表格, 我的字体表格}) {
        win::grid_set_column_width(ctl(id), 0, m.list_col0);
        win::grid_set_column_width(ctl(id), 1, m.list_col1);
    }
    const Ctl paging[5] = {图形按钮2, 图形按钮6, 图形按钮7, 图形按钮8, 标签1};
    for (int i = 0; i < 5; ++i) {
        HWND w = ctl(paging[i]);
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(nullptr, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
        MoveWindow(w, m.paging_left[i], r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
    for (int c = 0; c < 6; ++c)
        win::grid_set_column_width(ctl(系统字体表格), c, m.system_grid_cols[c]);
    HWND search = ctl(系统字体表格2);
    win::grid_set_column_width(search, 0, m.search_grid_col0);
    // Column 1 takes what column 0 leaves, as read back from the grid.
    int f = m.search_grid_col0 + m.search_grid_col1 + 67;
    win::grid_set_column_width(search, 1, f - win::grid_column_width(search, 0) - 67);
    for (int k = 0; k < 6; ++k) {
        const LayoutRect& b = m.caption_buttons[k];
        g_app.caption_buttons[k].rect = {b.x, b.y, b.x + b.w, b.y + b.h};
    }
    set_width(系统字体表格, m.system_grid_width);
}

LRESULT CALLBACK main_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (g_app.main && skin_handle_message(w, msg, wp, lp, &result)) return result;
    switch (msg) {
        case WM_CREATE:
            g_app.main = w;
            create_controls(w);
            main_window_creation(w);
            return 0;
        case WM_SIZE:
            size_changed_layout(w);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_COMMAND:
            if (HIWORD(wp) == 0 && lp == 0) {
                run_menu_command(LOWORD(wp));
                return 0;
            }
            if (win::route_command(wp, lp)) return 0;
            break;
        case WM_NOTIFY:
            if (win::route_notify(lp)) return 0;
            break;
        case WM_TIMER:
            if (wp == kTimer2) spinner_tick();
            if (wp == kTimer1) caption_fade_tick();
            return 0;
        case WM_CLOSE:
            // Alt+F4, the taskbar's close and any WM_CLOSE end the program as
            // the drawn close button does: it never lives on without its window.
            end_program();
        case WM_DESTROY:
            return 0;  // the process ends from the close button, not here
    }
    return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace

HWND create_main_window(HINSTANCE instance) {
    g_instance = instance;
    win::register_control_classes(instance);
    win::register_grid_class(instance);
    win::init_ui_thread();
    WNDCLASSEXA wc{sizeof wc};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = main_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.lpszClassName = kMainClass;
    RegisterClassExA(&wc);
    int sx = GetSystemMetrics(SM_CXSCREEN), sy = GetSystemMetrics(SM_CYSCREEN);
    HWND w = CreateWindowExA(WS_EX_APPWINDOW, kMainClass, kMainTitle,
                             WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX,
                             (sx - kMainWidth) / 2, (sy - kMainHeight) / 2, kMainWidth, kMainHeight,
                             nullptr, nullptr, instance, nullptr);
    if (!w) return nullptr;
    SetTimer(w, kTimer2, 50, nullptr);  // 时钟2 runs for the whole process
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);
    return w;
}

void select_page(int tab) {
    int page = page_for_tab(tab);
    if (page < 0) return;
    if (tab == 3) refresh_downloaded_fonts();
    if (tab == 4) refresh_recycle_bin();
    if (tab == 5 && g_app.backup_list_loaded == 0) {
        refresh_backups();
        g_app.backup_list_loaded = 1;
    }
    show_page(page);
    for (int i = 0; i < 5; ++i) g_app.tabs[i].state = i == tab - 1 ? 2 : 0;
    draw_status_line(0, false);
}

void prepare_working_folders() {
    const std::string dir = program_directory();
    auto exists = [](const std::string& path) {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA(path.c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return false;
        FindClose(h);
        return true;
    };
    for (const char* name : {"字体备份", "字体回收站", "字体下载目录"}) {
        std::string path = dir + "\\" + name;
        if (!exists(path)) CreateDirectoryA(path.c_str(), nullptr);
    }
    std::string ini = dir + "\\pos.ini";
    if (!exists(ini)) {
        HANDLE h = CreateFileA(ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
}

void show_control_menu(int x, int y) {
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, kMenuCheckUpdate, "检测更新");
    AppendMenuA(menu, MF_STRING, kMenuHomePage, "官方主页");
    AppendMenuA(menu, MF_STRING, kMenuAbout, "关于我们");
    POINT p{x, y};
    ClientToScreen(g_app.main, &p);
    UINT cmd = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, p.x, p.y, 0,
                              g_app.main, nullptr);
    DestroyMenu(menu);
    if (cmd) run_menu_command(static_cast<int>(cmd));
}

void exit_cleanup() {
    g_app = AppState{};
}

void end_program() {
    static bool ending = false;
    if (!ending) {
        ending = true;
        exit_cleanup();
    }
    // Not exit(): running downloads would meet half-destroyed statics.
    ExitProcess(0);
}

}  // namespace yq
