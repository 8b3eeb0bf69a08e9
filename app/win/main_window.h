// The main window: created from the design table, laid out on every size
// change, switching pages for the frame's tabs. Its state (the pages, every
// control of the design, the current page) is one struct owned by the
// window, made at WM_NCCREATE and freed at WM_NCDESTROY.
#pragma once

#include <windows.h>

#include <string>

#include "app/control_design.h"
#include "base/version.h"

namespace yq {

inline constexpr int kMainWidth = 744;
inline constexpr int kMainHeight = 620;
inline constexpr const char* kMainTitle = kProgramTitle;  // "砚青3.6"
inline constexpr char kMainClass[] = "YqMainWindow";

// The catalogue server's base URL, fixed when the program is built, without
// a trailing slash. The subsystems that talk to the server are given it
// when the window is wired.
const std::string& server_url();
// The publisher's home page (官方主页, and the newer-program prompts), fixed
// at build time as the server's address is.
const std::string& home_page_url();
// The font identification site's start page (字体识别), fixed at build time.
const std::string& identify_start_page();

// Registers the classes, creates the main window and its controls (which
// runs main window creation), and shows it. Null when it cannot be made.
HWND create_main_window(HINSTANCE instance);

// Shows the page of tab n (1..5), refreshing that page's list first.
void select_page(HWND main, int tab);

// The main window's keys, looked at by the message loop before the dialog
// navigation: Ctrl+1..5 and Ctrl+(Shift+)Tab switch pages as the tabs do,
// Esc closes the skin popup, Enter in the search box runs the search. True
// when the message was one of them and has been handled.
bool handle_main_window_key(HWND main, const MSG& msg);

struct Pages;

// Ends the program at once: the fonts 我的字体 switched on for the logon go
// off (unless the user keeps them), then the process ends with every worker
// cut off where it stands.
[[noreturn]] void end_program(Pages& pages);

}  // namespace yq
