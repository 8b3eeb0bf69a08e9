// The grid control of the font lists: text and check-box cells, a fixed row
// height, per-cell font face and height (each font sample drawn in its own
// face), whole-row selection, a cursor row, a vertical scroll bar (shown
// while rows lie out of view) and mouse wheel scrolling. No header row or column; cells are not
// editable.
//
// Only visible cells are measured and drawn, and their fonts are created on
// first draw and kept in a bounded cache (kGridFontCacheSize), so a grid of
// thousands of rows scrolls without creating thousands of fonts.
//
// A click moves the cursor row and never changes a check box: ticks change
// only through grid_set_check, as the grid's owner decides. The arrow keys,
// Page Up/Down, Home and End move the cursor row too, scrolling it into view.
//
// WM_SETREDRAW FALSE holds back every repaint (and leaves the window's
// visibility alone) until WM_SETREDRAW TRUE repaints once. WM_PRINTCLIENT
// draws the visible rows into the given DC, as WM_PAINT does on screen.
//
// Every operation is a message to the grid window, so a worker thread's call
// runs on the UI thread that owns the grid (SendMessage waits for it).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace yq::win {

inline constexpr int kGridDefaultColumnWidth = 50;
inline constexpr size_t kGridFontCacheSize = 200;
inline constexpr COLORREF kGridLineColour = RGB(128, 160, 128);

enum class CellKind { Text = 0, CheckBox = 1 };
// Mouse events of the grid: buttons released; Hover once the mouse has
// rested on a cell for kGridHoverMs (again only after it moved to another
// cell); Leave when it left the cell it hovered, or the grid.
enum class GridEvent { LeftUp, RightUp, Hover, Leave };
inline constexpr unsigned kGridHoverMs = 500;

// A cell: row and column from 0. Any row number works, far past 65,535.
struct GridCell {
    int row;
    int col;
};

// Messages (WM_USER + n). A cell travels as a GridCell* in wp.
enum : UINT {
    GM_SETROWCOUNT = WM_USER + 1,  // wp = count; a count below 1 is ignored
    GM_GETROWCOUNT,
    GM_APPENDROW,
    GM_SETCELLTEXT,   // wp = const GridCell*, lp = const char*
    GM_GETCELLTEXT,   // wp = const GridCell*, lp = std::string* (same process only)
    GM_SETCHECK,      // wp = const GridCell*, lp = 0/1
    GM_GETCHECK,      // wp = const GridCell*
    GM_SETCELLFONT,   // lp = const GridFontRange*
    GM_SETCOLWIDTH,   // wp = column, lp = width
    GM_GETCOLWIDTH,   // wp = column
    GM_SETCOLKIND,    // wp = column, lp = CellKind
    GM_GETCURSORROW,  // -1 when none
    GM_SETROWHEIGHT,  // wp = height
    GM_GETTOPROW,
    GM_SETTOPROW,
    GM_GETFONTSTATS,     // returns MAKELONG(live fonts, peak live fonts)
    GM_GETCELLATOM,      // wp = row, lp = column: a global atom holding the cell
                         // text (first 255 bytes); the caller deletes it. For
                         // test probes in another process (no pointers).
    GM_GETFONTSCREATED,  // fonts created since the grid was made (cache misses)
    GM_SETCURSORROW,     // wp = row; a row outside the grid clears the cursor
    GM_GETCHECKAT,       // wp = row, lp = column: the check mark, for test probes in
                         // another process (no pointers)
    GM_GETCELLFONTAT,    // wp = row, lp = column: MAKELONG(global atom of the cell's
                         // face or 0, its font height or 0), for test probes; the
                         // caller deletes the atom
    GM_GETROWHEIGHT,
};

struct GridFontRange {
    int first_row, first_col, last_row, last_col;  // inclusive
    const char* face;                              // null keeps the face
    int height;                                    // 0 keeps the height
};

// A grid keeps the fonts its cells are drawn in; WM_FONTCHANGE, sent to it
// by its top-level window (which alone gets the broadcast), drops them and
// redraws, so that each face is mapped again.
void register_grid_class(HINSTANCE instance);
HWND create_grid(HWND parent, int id, int x, int y, int w, int h, int columns, int row_height);

void grid_set_row_count(HWND g, int rows);
int grid_row_count(HWND g);
void grid_append_row(HWND g);
void grid_set_text(HWND g, GridCell cell, const std::string& text);
std::string grid_text(HWND g, GridCell cell);
void grid_set_check(HWND g, GridCell cell, bool checked);
bool grid_check(HWND g, GridCell cell);
void grid_set_font(HWND g, const GridFontRange& range);
void grid_set_column_width(HWND g, int col, int width);
int grid_column_width(HWND g, int col);
void grid_set_column_kind(HWND g, int col, CellKind kind);
int grid_cursor_row(HWND g);
void grid_set_cursor_row(HWND g, int row);
// Mouse events on the grid: the cell under the point (-1 outside) and the
// point in grid pixels.
void on_grid_mouse(HWND g, std::function<void(GridEvent, int row, int col, int x, int y)> handler);

}  // namespace yq::win
