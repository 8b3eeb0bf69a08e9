// The program's pictures, drawn in code at start-up: button faces with their
// captions, the edit-box frames, the face pictures of the busy and empty
// labels, the search icon. Every bitmap lives for the whole process.
#pragma once

#include <windows.h>

#include "platform/win/controls.h"

namespace yq::art {

// Colour drawn as transparent in face pictures.
inline constexpr COLORREF kTransparentKey = RGB(255, 0, 255);

enum class Look { Normal, Hover, Pressed, Disabled };

// A w x h button face with `caption` centred on a soft gradient.
HBITMAP button_face(int w, int h, const char* caption, Look look);
// The four faces of a picture button.
win::ButtonFaces button_faces(int w, int h, const char* caption);

HBITMAP edit_frame(int w, int h);  // white field with a thin border
HBITMAP sad_face();                // 48 x 48, kTransparentKey around it
HBITMAP smile_face();
HBITMAP search_icon(Look look);  // 16 x 18 magnifier

// Catalogue page: the 63 x 23 category button faces (normal light blue-grey,
// hover almost white, selected darker), the row action faces (安装 and 下载
// with a down arrow, greyed 已安装; white around them is transparent), and
// frame k (1..12) of the 16 x 16 turning cyan ring on white.
enum class CategoryFace { Normal, Hover, Selected };
HBITMAP category_face(CategoryFace face);
enum class RowAction { Install, Download, Installed };
HBITMAP row_action_face(RowAction action);
HBITMAP spinner_frame(int k);

}  // namespace yq::art
