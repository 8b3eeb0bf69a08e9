// The small Win32 controls the main window is built from: page containers,
// picture buttons, labels (optionally with a face picture), drawing panels
// with an off-screen buffer, and thin creators for the standard controls.
// (The web browser control is platform/win/web_browser.h.)
//
// Every control keeps its state in a struct owned by its window (created at
// WM_NCCREATE, freed at WM_NCDESTROY). Event callbacks run on the UI thread.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/win/messages.h"

namespace yq::win {

// Asks for WM_MOUSELEAVE (and, with a hover time, WM_MOUSEHOVER after
// `hover_ms` at rest) once the pointer leaves `w`; true when Windows took
// the request. Each request is answered once: ask again after it came.
bool track_mouse_leave(HWND w, DWORD hover_ms = 0);

// A window class of `instance` (the program's module): the procedure, the
// cursor, a background brush (none: the window paints all of itself),
// class styles and an icon. Registering a class twice is harmless.
void register_window_class(HINSTANCE instance, const char* name, WNDPROC proc, HCURSOR cursor,
                           HBRUSH background = nullptr, UINT style = 0, HICON icon = nullptr);

// Registers the window classes; call once before creating controls.
void register_control_classes(HINSTANCE instance);

// The font of captions, labels and edit boxes ("宋体", 12 pixels).
HFONT ui_font();

// --- page container ----------------------------------------------------------
// A plain child window holding a page's controls. WM_COMMAND and WM_NOTIFY
// from its children are routed to the handlers set with on_command/on_notify.
HWND create_page(HWND parent, int x, int y, int w, int h, COLORREF background);

// Handler for WM_COMMAND notifications (BN_CLICKED, EN_CHANGE, ...) of a
// standard control, and for WM_NOTIFY codes (TCN_SELCHANGE, ...). A
// control's handlers go when the control is destroyed.
void on_command(HWND control, std::function<void(int code)> handler);
void on_notify(HWND control, std::function<void(int code)> handler);
// Routes one WM_COMMAND / WM_NOTIFY; true when a handler ran. Windows that
// host standard controls call these from their window procedure.
bool route_command(WPARAM wparam, LPARAM lparam);
bool route_notify(LPARAM lparam);

// --- picture button ------------------------------------------------------------
// Faces: normal, hover, pressed, disabled (disabled may be null: normal is
// drawn greyed). The button owns none of the bitmaps.
struct ButtonFaces {
    HBITMAP normal = nullptr, hover = nullptr, pressed = nullptr, disabled = nullptr;
};
HWND create_picture_button(HWND parent, int id, int x, int y, int w, int h, const char* caption);
void set_button_faces(HWND button, const ButtonFaces& faces);
void on_click(HWND button, std::function<void()> handler);

// --- label -------------------------------------------------------------------
// Caption drawn transparently; with a face picture the picture is drawn at the
// left and the caption beside it.
HWND create_label(HWND parent, int id, int x, int y, int w, int h, const char* caption);
void set_label_picture(HWND label, HBITMAP picture);  // not owned
// A label answers kLabelPictureSizeMessage (messages.h) with its picture's size.
void set_caption(HWND control, const std::string& text);
std::string caption(HWND control);

// --- drawing panel -------------------------------------------------------------
// A panel draws from its own off-screen bitmap of its creation size, so what
// is drawn stays until it is drawn over. Draw into panel_dc(), then call
// panel_present() to show it.
enum class MouseEvent { Move, LeftDown, LeftUp, Leave };
HWND create_panel(HWND parent, int id, int x, int y, int w, int h, COLORREF background);
HDC panel_dc(HWND panel);
SIZE panel_size(HWND panel);
void panel_clear(HWND panel);  // fills with the background colour
void panel_present(HWND panel);
void on_panel_mouse(HWND panel, std::function<void(MouseEvent, int x, int y)> handler);

// --- standard controls -----------------------------------------------------------
HWND create_check_box(HWND parent, int id, int x, int y, int w, int h, const char* caption);
HWND create_edit(HWND parent, int id, int x, int y, int w, int h, const char* text);
HWND create_group_box(HWND parent, int id, int x, int y, int w, int h, const char* caption);
HWND create_tab_strip(HWND parent, int id, int x, int y, int w, int h,
                      std::initializer_list<const char*> captions);

}  // namespace yq::win
