// GDI+ for the program's sources: its headers want min and max in scope,
// which windows.h leaves out (NOMINMAX) or makes macros; this is the one
// place that arranges it.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>
