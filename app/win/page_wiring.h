// Wiring of the pages: each page gets the controls it uses (a struct of
// named handles) and the other subsystems' operations it needs, and the
// main window's timers and menus get their handlers. Done once, at main
// window creation.
#pragma once

#include <windows.h>

#include <functional>

#include "app/control_design.h"

namespace yq {

struct Pages;

// The main window's control of a design id.
using ControlOf = std::function<HWND(Ctl)>;

// Makes the page objects into `pages` over the controls of `main` and
// wires them to each other.
void wire_pages(HWND main, Pages& pages, const ControlOf& control);

}  // namespace yq
