// Wiring of the pages: each page gets the controls it uses (a struct of
// named handles) and the other subsystems' operations it needs, and the
// main window's timers and menus get their handlers. Done once, at main
// window creation.
#pragma once

#include <windows.h>

namespace yq {

struct Pages;

// Makes the page objects into `pages` and wires them to each other.
void wire_pages(HWND main, Pages& pages);

// Pops up the control menu (控制菜单) at a main-window client point.
void show_control_menu(int x, int y);

}  // namespace yq
