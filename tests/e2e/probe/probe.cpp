// Test probe: runs beside yanqing.exe in the same Wine session and reports
// what the program shows (controls, their places, texts and grids, message
// boxes) as JSON, or presses a message box button. Used by the e2e driver.
//
//   probe tree              the main window and every design control
//   probe design            the design table: page, x, y, w, h, visible
//   probe menus             open popup menus and their item texts
//   probe cell NAME ROW COL the text of a grid cell
//   probe grid NAME         every cell text of a grid
//   probe checks NAME       every cell's check mark of a grid (0/1)
//   probe fonts NAME        every cell's own font of a grid: [face, height]
//                           ("" and 0 for the grid's font)
//   probe boxes             open message boxes: title, text, buttons
//   probe press TITLE BUTTON [CONTROL]  presses a button of a message box (and
//                           queues a click on CONTROL right behind it)
//   probe resize W H        resizes the main window
//   probe close             sends the main window WM_CLOSE
//   probe desktop           exits 0 once a top-level window can be made
//   probe watch NAME MS FILE  every caption a control shows for MS milliseconds,
//                           in order (each change once); FILE is written once
//                           the first caption has been read
//   probe windows           the visible top-level windows: class and title
//   probe drop NAME PATH...  drops the files on a design control, as Explorer
//                           does (drop_source.cpp): {"result", "effect"}
//   probe memory            the program's memory counters as GetProcessMemoryInfo
//                           gives them: private, pagefile, peak_pagefile,
//                           working_set, peak_working_set (bytes)
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/control_design.h"
#include "base/text.h"
#include "platform/win/controls.h"
#include "platform/win/grid.h"
#include "skin/win/frame.h"
#include "skin/win/skin_popup.h"
#include "skin/win/status_line.h"

namespace {

std::string json_string(const std::string& gbk) {
    std::string u = yq::gbk_to_utf8(gbk), out = "\"";
    for (unsigned char c : u) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string window_text(HWND w) {
    char buf[4096];
    int n = GetWindowTextA(w, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

std::string class_name(HWND w) {
    char buf[256];
    int n = GetClassNameA(w, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

HWND main_window() {
    return FindWindowA("YqMainWindow", nullptr);
}

HWND find_control(HWND root, int id) {
    struct Ctx {
        int id;
        HWND found;
    } ctx{id, nullptr};
    EnumChildWindows(
        root,
        [](HWND w, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lp);
            if (GetDlgCtrlID(w) == c->id && class_name(w) != "YqPage") {
                c->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

// Arguments arrive in the ANSI code page (GBK): Wine converts them.
const yq::ControlDesign* design_by_name(const char* name) {
    std::string gbk = name;
    for (size_t i = 0; i < yq::kControlCount; ++i) {
        if (gbk == yq::kControls[i].name) return &yq::kControls[i];
    }
    return nullptr;
}

int tree() {
    HWND main = main_window();
    if (!main) {
        std::printf("{\"error\":\"no main window\"}\n");
        return 1;
    }
    RECT wr, rgn{};
    GetWindowRect(main, &wr);
    HRGN r = CreateRectRgn(0, 0, 0, 0);
    int has_region = GetWindowRgn(main, r) != ERROR;
    GetRgnBox(r, &rgn);
    DeleteObject(r);
    HWND tab = FindWindowExA(main, nullptr, "YqPage", "选择夹1");
    int page = -1;
    for (int i = 0; i < yq::kPageCount; ++i) {
        HWND p = FindWindowExA(tab, nullptr, "YqPage", yq::kPageNames[i]);
        if (p && (GetWindowLongA(p, GWL_STYLE) & WS_VISIBLE)) page = i;
    }
    RECT tr{};
    GetWindowRect(tab, &tr);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&tr), 2);
    std::printf("{\"title\":%s,\"x\":%ld,\"y\":%ld,\"w\":%ld,\"h\":%ld,",
                json_string(window_text(main)).c_str(), wr.left, wr.top, wr.right - wr.left,
                wr.bottom - wr.top);
    std::printf("\"region\":[%d,%ld,%ld,%ld,%ld],", has_region, rgn.left, rgn.top, rgn.right,
                rgn.bottom);
    std::printf("\"page_control\":{\"x\":%ld,\"y\":%ld,\"w\":%ld,\"h\":%ld,\"page\":%d},", tr.left,
                tr.top, tr.right - tr.left, tr.bottom - tr.top, page);
    std::printf("\"controls\":{");
    for (size_t i = 0; i < yq::kControlCount; ++i) {
        const yq::ControlDesign& d = yq::kControls[i];
        HWND w = find_control(main, d.id);
        std::printf("%s%s:", i ? "," : "", json_string(d.name).c_str());
        if (!w) {
            std::printf("null");
            continue;
        }
        RECT cr;
        GetWindowRect(w, &cr);
        MapWindowPoints(nullptr, GetParent(w), reinterpret_cast<POINT*>(&cr), 2);
        RECT sr;
        GetWindowRect(w, &sr);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&sr), 2);
        std::printf(
            "{\"class\":%s,\"x\":%ld,\"y\":%ld,\"w\":%ld,\"h\":%ld,\"cx\":%ld,\"cy\":%ld,"
            "\"shown\":%d,\"visible\":%d,\"enabled\":%d,\"text\":%s",
            json_string(class_name(w)).c_str(), cr.left, cr.top, cr.right - cr.left,
            cr.bottom - cr.top, sr.left, sr.top,
            (GetWindowLongA(w, GWL_STYLE) & WS_VISIBLE) ? 1 : 0, IsWindowVisible(w) ? 1 : 0,
            IsWindowEnabled(w) ? 1 : 0, json_string(window_text(w)).c_str());
        if (d.kind == yq::ControlKind::Label) {
            LRESULT size = SendMessageA(w, yq::win::kLabelPictureSizeMessage, 0, 0);
            std::printf(",\"picture\":[%d,%d]", LOWORD(size), HIWORD(size));
        }
        if (d.kind == yq::ControlKind::Grid) {
            std::printf(
                ",\"rows\":%d,\"row_h\":%d,\"cursor\":%d,\"top\":%d,\"fonts\":%lu,\"cols\":[",
                static_cast<int>(SendMessageA(w, yq::win::GM_GETROWCOUNT, 0, 0)),
                static_cast<int>(SendMessageA(w, yq::win::GM_GETROWHEIGHT, 0, 0)),
                static_cast<int>(SendMessageA(w, yq::win::GM_GETCURSORROW, 0, 0)),
                static_cast<int>(SendMessageA(w, yq::win::GM_GETTOPROW, 0, 0)),
                static_cast<unsigned long>(SendMessageA(w, yq::win::GM_GETFONTSTATS, 0, 0)));
            for (int c = 0; c < d.grid_columns; ++c) {
                std::printf("%s%d", c ? "," : "",
                            static_cast<int>(SendMessageA(w, yq::win::GM_GETCOLWIDTH, c, 0)));
            }
            std::printf("]");
        }
        std::printf("}");
    }
    std::printf("}}\n");
    return 0;
}

// Takes an atom's text and deletes the atom ("" for none).
std::string take_atom(ATOM a) {
    char buf[256] = "";
    if (a) {
        GlobalGetAtomNameA(a, buf, sizeof buf);
        GlobalDeleteAtom(a);
    }
    return buf;
}

// The design control `name` in the running main window, or null (then
// "null" is printed, the answer of a probe that found nothing).
HWND control_or_null(const char* name, const yq::ControlDesign** design) {
    const yq::ControlDesign* d = design_by_name(name);
    HWND main = main_window();
    HWND w = d && main ? find_control(main, d->id) : nullptr;
    if (!w) std::printf("null\n");
    *design = d;
    return w;
}

// Prints a grid's cells row by row as a JSON array of arrays, each cell as
// print_cell(grid, row, column) writes it; "null" when there is no such grid.
template <typename PrintCell>
int print_cells(const char* name, PrintCell print_cell) {
    const yq::ControlDesign* d = nullptr;
    HWND w = control_or_null(name, &d);
    if (!w) return 1;
    int rows = static_cast<int>(SendMessageA(w, yq::win::GM_GETROWCOUNT, 0, 0));
    std::printf("[");
    for (int r = 0; r < rows; ++r) {
        std::printf("%s[", r ? "," : "");
        for (int c = 0; c < d->grid_columns; ++c) {
            if (c) std::printf(",");
            print_cell(w, r, c);
        }
        std::printf("]");
    }
    std::printf("]\n");
    return 0;
}

// The check marks of a grid's check columns.
int checks(const char* name) {
    return print_cells(name, [](HWND w, int r, int c) {
        std::printf("%d", static_cast<int>(SendMessageA(w, yq::win::GM_GETCHECKAT, r, c)));
    });
}

// Each cell's own font: [face, height].
int fonts(const char* name) {
    return print_cells(name, [](HWND w, int r, int c) {
        LRESULT v = SendMessageA(w, yq::win::GM_GETCELLFONTAT, r, c);
        std::printf("[%s,%d]", json_string(take_atom(LOWORD(v))).c_str(), HIWORD(v));
    });
}

// The cell texts.
int grid(const char* name) {
    return print_cells(name, [](HWND w, int r, int c) {
        ATOM a = static_cast<ATOM>(SendMessageA(w, yq::win::GM_GETCELLATOM, r, c));
        std::printf("%s", json_string(take_atom(a)).c_str());
    });
}

// Open popup menus and their item texts.
int menus() {
    std::vector<HWND> found;
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            if (class_name(w) == "#32768" && IsWindowVisible(w)) {
                reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    std::printf("[");
    for (size_t i = 0; i < found.size(); ++i) {
        HMENU menu = reinterpret_cast<HMENU>(SendMessageA(found[i], 0x01E1 /*MN_GETHMENU*/, 0, 0));
        std::printf("%s[", i ? "," : "");
        int n = menu ? GetMenuItemCount(menu) : 0;
        for (int k = 0; k < n; ++k) {
            char text[512] = "";
            GetMenuStringA(menu, k, text, sizeof text, MF_BYPOSITION);
            std::printf("%s%s", k ? "," : "", json_string(text).c_str());
        }
        std::printf("]");
    }
    std::printf("]\n");
    return 0;
}

// The status line's text.
int status() {
    HWND main = main_window();
    if (!main) return 1;
    ATOM a = static_cast<ATOM>(SendMessageA(main, yq::kStatusTextAtomMessage, 0, 0));
    std::printf("%s\n", json_string(take_atom(a)).c_str());
    return 0;
}

int design() {
    std::printf("{");
    for (size_t i = 0; i < yq::kControlCount; ++i) {
        const yq::ControlDesign& d = yq::kControls[i];
        std::printf("%s%s:[%d,%d,%d,%d,%d,%d]", i ? "," : "", json_string(d.name).c_str(), d.page,
                    d.x, d.y, d.w, d.h, d.visible ? 1 : 0);
    }
    std::printf("}\n");
    return 0;
}

int cell(const char* name, int row, int col) {
    const yq::ControlDesign* d = design_by_name(name);
    HWND main = main_window();
    HWND w = d && main ? find_control(main, d->id) : nullptr;
    if (!w) return 1;
    ATOM a = static_cast<ATOM>(SendMessageA(w, yq::win::GM_GETCELLATOM, row, col));
    std::printf("%s\n", json_string(take_atom(a)).c_str());
    return 0;
}

std::vector<HWND> message_boxes() {
    std::vector<HWND> out;
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            if (class_name(w) == "#32770" && IsWindowVisible(w)) {
                reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&out));
    return out;
}

int boxes() {
    std::printf("[");
    bool first = true;
    for (HWND b : message_boxes()) {
        std::string text, buttons;
        for (HWND c = GetWindow(b, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            std::string cls = class_name(c);
            if (cls == "Static" && !window_text(c).empty()) text += window_text(c);
            if (cls == "Button") {
                if (!buttons.empty()) buttons += ',';
                buttons += json_string(window_text(c));
            }
        }
        std::printf("%s{\"hwnd\":%llu,\"title\":%s,\"text\":%s,\"buttons\":[%s]}", first ? "" : ",",
                    static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(b)),
                    json_string(window_text(b)).c_str(), json_string(text).c_str(),
                    buttons.c_str());
        first = false;
    }
    std::printf("]\n");
    return 0;
}

// Presses a message box button. With `then_click`, a click on that design
// control is queued right behind it: the program meets it at the first
// moment it reads its messages after the box, whatever the timing.
int press(const char* title_gbk, const char* button_gbk, const char* then_click = nullptr) {
    std::string title = title_gbk, button = button_gbk;
    const yq::ControlDesign* d = then_click ? design_by_name(then_click) : nullptr;
    HWND main = main_window();
    HWND target = d && main ? find_control(main, d->id) : nullptr;
    for (HWND b : message_boxes()) {
        if (!title.empty() && window_text(b) != title) continue;
        for (HWND c = GetWindow(b, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            std::string t = window_text(c);
            if (class_name(c) == "Button" &&
                (button.empty() || t.find(button) != std::string::npos)) {
                PostMessageA(c, BM_CLICK, 0, 0);
                if (target) {
                    PostMessageA(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
                    PostMessageA(target, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
                }
                std::printf("pressed\n");
                return 0;
            }
        }
    }
    std::printf("none\n");
    return 1;
}

// Asks for the caption over and over. A program busy on its UI thread
// answers when it next dispatches its messages, which is just where it has
// set a new caption: every caption an operation shows between files is seen.
int watch(const char* name, int ms, const char* ready_file) {
    const yq::ControlDesign* d = nullptr;
    HWND w = control_or_null(name, &d);
    if (!w) return 1;
    std::vector<std::string> seen;
    DWORD start = GetTickCount();
    bool told = false;
    while (GetTickCount() - start < static_cast<DWORD>(ms)) {
        char buf[1024] = "";
        DWORD_PTR got = 0;
        if (!SendMessageTimeoutA(w, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf),
                                 SMTO_NORMAL, 2000, &got))
            continue;
        std::string text(buf, got);
        if (seen.empty() || seen.back() != text) seen.push_back(text);
        if (!told) {
            told = true;
            HANDLE f =
                CreateFileA(ready_file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            CloseHandle(f);
        }
    }
    std::printf("[");
    for (size_t i = 0; i < seen.size(); ++i)
        std::printf("%s%s", i ? "," : "", json_string(seen[i]).c_str());
    std::printf("]\n");
    return 0;
}

int windows() {
    std::vector<HWND> found;
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            if (IsWindowVisible(w)) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    std::printf("[");
    for (size_t i = 0; i < found.size(); ++i) {
        std::printf("%s{\"hwnd\":%llu,\"class\":%s,\"title\":%s}", i ? "," : "",
                    static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(found[i])),
                    json_string(class_name(found[i])).c_str(),
                    json_string(window_text(found[i])).c_str());
    }
    std::printf("]\n");
    return 0;
}

// The main window's process, read from outside as a monitor would.
int memory() {
    HWND main = main_window();
    DWORD pid = 0;
    if (!main || !GetWindowThreadProcessId(main, &pid)) {
        std::printf("{\"error\":\"no main window\"}\n");
        return 1;
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    PROCESS_MEMORY_COUNTERS_EX c{};
    c.cb = sizeof c;
    const bool read =
        process &&
        K32GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&c), sizeof c);
    if (process) CloseHandle(process);
    if (!read) {
        std::printf("{\"error\":\"no counters (error %lu)\"}\n", GetLastError());
        return 1;
    }
    std::printf(
        "{\"private\":%llu,\"pagefile\":%llu,\"peak_pagefile\":%llu,\"working_set\":%llu,"
        "\"peak_working_set\":%llu}\n",
        static_cast<unsigned long long>(c.PrivateUsage),
        static_cast<unsigned long long>(c.PagefileUsage),
        static_cast<unsigned long long>(c.PeakPagefileUsage),
        static_cast<unsigned long long>(c.WorkingSetSize),
        static_cast<unsigned long long>(c.PeakWorkingSetSize));
    return 0;
}

// Invalidates the whole main window and waits up to `ms` for a paint of all
// of it (the frame counts the pixels its last paint copied); prints the
// milliseconds it took, or -1.
int repaint(int ms) {
    HWND main = main_window();
    if (!main) return 1;
    RECT r;
    GetClientRect(main, &r);
    const LRESULT whole = static_cast<LRESULT>(r.right) * r.bottom;
    InvalidateRect(main, nullptr, FALSE);
    const DWORD start = GetTickCount();
    do {
        if (SendMessageA(main, yq::kFramePixelsMessage, 0, 0) >= whole) {
            std::printf("%lu\n", GetTickCount() - start);
            return 0;
        }
        Sleep(20);
    } while (GetTickCount() - start < static_cast<DWORD>(ms));
    std::printf("-1\n");
    return 0;
}

}  // namespace

int drop_files(HWND target, int count, char** paths);

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc >= 2 && !std::strcmp(argv[1], "tree")) return tree();
    if (argc >= 5 && !std::strcmp(argv[1], "cell"))
        return cell(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    if (argc >= 2 && !std::strcmp(argv[1], "boxes")) return boxes();
    if (argc >= 2 && !std::strcmp(argv[1], "design")) return design();
    if (argc >= 2 && !std::strcmp(argv[1], "status")) return status();
    if (argc >= 2 && !std::strcmp(argv[1], "menus")) return menus();
    if (argc >= 3 && !std::strcmp(argv[1], "repaint")) return repaint(std::atoi(argv[2]));
    if (argc >= 3 && !std::strcmp(argv[1], "grid")) return grid(argv[2]);
    if (argc >= 3 && !std::strcmp(argv[1], "checks")) return checks(argv[2]);
    if (argc >= 3 && !std::strcmp(argv[1], "fonts")) return fonts(argv[2]);
    if (argc >= 4 && !std::strcmp(argv[1], "press"))
        return press(argv[2], argv[3], argc >= 5 ? argv[4] : nullptr);
    if (argc >= 4 && !std::strcmp(argv[1], "resize")) {
        HWND main = main_window();
        return main && SetWindowPos(main, nullptr, 0, 0, std::atoi(argv[2]), std::atoi(argv[3]),
                                    SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE)
                   ? 0
                   : 1;
    }
    if (argc >= 5 && !std::strcmp(argv[1], "watch"))
        return watch(argv[2], std::atoi(argv[3]), argv[4]);
    if (argc >= 2 && !std::strcmp(argv[1], "windows")) return windows();
    if (argc >= 2 && !std::strcmp(argv[1], "memory")) return memory();
    if (argc >= 4 && !std::strcmp(argv[1], "drop")) {
        const yq::ControlDesign* d = nullptr;
        HWND target = control_or_null(argv[2], &d);
        return target ? drop_files(target, argc - 3, argv + 3) : 1;
    }
    if (argc >= 2 && !std::strcmp(argv[1], "desktop")) {
        // A top-level window can be made: the session's desktop is up.
        HWND w = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                 nullptr);
        if (!w) {
            std::printf("no top-level window (error %lu)\n", GetLastError());
            return 1;
        }
        DestroyWindow(w);
        return 0;
    }
    if (argc >= 2 && !std::strcmp(argv[1], "popup_state")) {
        // The skin picker's selected tab and the mark on its page.
        HWND w = FindWindowA("YqSkinPopup", nullptr);
        LRESULT v = w ? SendMessageA(w, yq::kSkinPopupStateMessage, 0, 0) : 0;
        std::printf("[%d,%d]\n", LOWORD(v), HIWORD(v));
        return 0;
    }
    if (argc >= 3 && !std::strcmp(argv[1], "close_window")) {
        // As the window's close box asks: the first shown window of the class.
        HWND w = FindWindowA(argv[2], nullptr);
        return w && IsWindowVisible(w) && PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
    }
    if (argc >= 2 && !std::strcmp(argv[1], "close")) {
        HWND main = main_window();  // as the taskbar's close asks a window to go
        return main && PostMessageA(main, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    std::fprintf(stderr,
                 "usage: probe tree | cell NAME ROW COL | boxes | press TITLE BUTTON | close\n");
    return 2;
}
