// The main window: created from the design table, laid out on every size
// change, switching pages for the skin's tabs.
#pragma once

#include <windows.h>

namespace yq {

inline constexpr int kMainWidth = 744;
inline constexpr int kMainHeight = 620;
inline constexpr char kMainTitle[] = "砚青3.6";
inline constexpr char kMainClass[] = "YqMainWindow";

// Registers the classes, creates the main window and its controls (which
// runs main window creation), and shows it.
HWND create_main_window(HINSTANCE instance);

// Shows the page of skin tab n (1..5), refreshing that page's list first.
void select_page(int tab);

// Creates the working folders and pos.ini in the program directory when they
// are missing; runs at the end of every paint of the main window.
void prepare_working_folders();

// Pops up the control menu at a main-window client point.
void show_control_menu(int x, int y);

// Starts the start-up background work on its own thread.
void start_background_work();

// Exit clean-up: releases the process-wide objects and nothing else (workers
// are not waited for, GDI+ is not shut down).
void exit_cleanup();

// Ends the program at once: the exit clean-up, then the process ends with
// every worker cut off where it stands.
[[noreturn]] void end_program();

}  // namespace yq
