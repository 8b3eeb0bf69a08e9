#include "platform/win/grid.h"

#include <windowsx.h>

#include <algorithm>
#include <list>
#include <map>
#include <tuple>
#include <vector>

#include "platform/win/controls.h"
#include "platform/win/handles.h"

namespace yq::win {
namespace {

const char kGridClass[] = "YqGrid";

struct Cell {
    std::string text;
    std::string face;  // empty: the grid's own font
    int height = 0;
    bool checked = false;
};

// Fonts by (face, height, tallest cell), least recently used dropped past
// the bound. A font is made `height` pixels to the em, as asked, unless its
// glyph cell (ascent and descent) would then be taller than the row has
// room for: then it is made exactly that room tall, so that no font's
// ascenders or descenders are ever cut off by its row.
class FontCache {
  public:
    HFONT get(HDC dc, const std::string& face, int height, int room) {
        Key key{face, height, room};
        auto it = index_.find(key);
        if (it != index_.end()) {
            order_.splice(order_.begin(), order_, it->second);
            return it->second->font.get();
        }
        if (order_.size() >= kGridFontCacheSize) {
            index_.erase(order_.back().key);
            order_.pop_back();
        }
        LOGFONTA lf{};
        lf.lfHeight = -(height > 0 ? height : 12);
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfQuality = DEFAULT_QUALITY;
        lstrcpynA(lf.lfFaceName, face.c_str(), LF_FACESIZE);
        UniqueFont font(CreateFontIndirectA(&lf));
        if (font && room > 0) {
            TEXTMETRICA tm{};
            {
                Selected sel(dc, font.get());
                GetTextMetricsA(dc, &tm);
            }
            if (tm.tmHeight > room) {
                lf.lfHeight = room;  // positive: the whole cell, ascent and descent
                font.reset(CreateFontIndirectA(&lf));
            }
        }
        order_.push_front(Entry{key, std::move(font)});
        index_[key] = order_.begin();
        peak_ = std::max(peak_, order_.size());
        ++created_;
        return order_.front().font.get();
    }
    // Every font goes: a face that was missing, and drawn in a stand-in,
    // may be there now (a font installed or switched on), or one gone.
    void clear() {
        index_.clear();
        order_.clear();
    }
    size_t live() const { return order_.size(); }
    size_t peak() const { return peak_; }
    size_t created() const { return created_; }

  private:
    using Key = std::tuple<std::string, int, int>;
    struct Entry {
        Key key;
        UniqueFont font;
    };
    std::list<Entry> order_;
    std::map<Key, std::list<Entry>::iterator> index_;
    size_t peak_ = 0;
    size_t created_ = 0;
};

struct GridState {
    int columns = 0;
    int row_height = 24;
    std::vector<int> widths;
    std::vector<CellKind> kinds;
    std::vector<std::vector<Cell>> rows;
    int top = 0;         // first visible row
    int cursor = -1;     // selected row
    bool redraw = true;  // WM_SETREDRAW: while off, changes are not drawn
    FontCache fonts;
    std::function<void(GridEvent, int, int, int, int)> mouse;
    int hover_row = -1, hover_col = -1;  // the cell the mouse rests on or was last seen on
    bool hovered = false;                // Hover was reported for that cell

    Cell* cell(int r, int c) {
        if (r < 0 || c < 0 || r >= static_cast<int>(rows.size()) || c >= columns) return nullptr;
        return &rows[r][c];
    }
};

GridState* state_of(HWND w) {
    return reinterpret_cast<GridState*>(GetWindowLongPtrA(w, GWLP_USERDATA));
}

int visible_rows(HWND w, GridState* s) {
    RECT r;
    GetClientRect(w, &r);
    return std::max(1, static_cast<int>(r.bottom) / s->row_height);
}

void invalidate(HWND w, GridState* s) {
    if (s->redraw) InvalidateRect(w, nullptr, FALSE);
}

// A changed cell is repainted only when it can be seen: filling thousands of
// rows then costs no window-manager call per cell.
void invalidate_row(HWND w, GridState* s, int row) {
    if (row >= s->top && row < s->top + visible_rows(w, s) + 1) invalidate(w, s);
}

void update_scroll(HWND w, GridState* s) {
    int page = visible_rows(w, s);
    int count = static_cast<int>(s->rows.size());
    s->top = std::clamp(s->top, 0, std::max(0, count - page));
    if (!s->redraw) return;  // brought up to date when drawing is switched back on
    // The bar shows only while rows lie out of view: the list pages narrow
    // their name column for it from the row count on which it appears.
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = std::max(0, count - 1);
    si.nPage = static_cast<UINT>(page);
    si.nPos = s->top;
    SetScrollInfo(w, SB_VERT, &si, TRUE);
}

void scroll_to(HWND w, GridState* s, int top) {
    int old = s->top;
    s->top = top;
    update_scroll(w, s);
    if (s->top != old) invalidate(w, s);
}

// The cursor row after a key, scrolled into view; false for other keys.
bool move_cursor_by_key(HWND w, GridState* s, UINT key) {
    int count = static_cast<int>(s->rows.size()), page = visible_rows(w, s);
    int cursor = s->cursor;
    switch (key) {
        case VK_UP:
            cursor = cursor < 0 ? 0 : cursor - 1;
            break;
        case VK_DOWN:
            cursor = cursor + 1;
            break;
        case VK_PRIOR:
            cursor = (cursor < 0 ? 0 : cursor) - page;
            break;
        case VK_NEXT:
            cursor = (cursor < 0 ? 0 : cursor) + page;
            break;
        case VK_HOME:
            cursor = 0;
            break;
        case VK_END:
            cursor = count - 1;
            break;
        default:
            return false;
    }
    if (count == 0) return true;
    s->cursor = std::clamp(cursor, 0, count - 1);
    if (s->cursor < s->top) {
        scroll_to(w, s, s->cursor);
    } else if (s->cursor >= s->top + page) {
        scroll_to(w, s, s->cursor - page + 1);
    }
    invalidate(w, s);
    return true;
}

void paint(HWND w, GridState* s, HDC target) {
    RECT client;
    GetClientRect(w, &client);
    // Draw into a buffer: no flicker while scrolling.
    UniqueMemDc dc(CreateCompatibleDC(target));
    UniqueBitmap bmp(CreateCompatibleBitmap(target, client.right, client.bottom));
    Selected sel_bmp(dc.get(), bmp.get());
    FillRect(dc.get(), &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    UniquePen line(CreatePen(PS_SOLID, 1, kGridLineColour));
    Selected sel_pen(dc.get(), line.get());
    UniqueBrush selected(CreateSolidBrush(RGB(204, 228, 247)));
    SetBkMode(dc.get(), TRANSPARENT);
    SetTextColor(dc.get(), RGB(0, 0, 0));

    int count = static_cast<int>(s->rows.size());
    int x_end = 0;
    for (int c = 0; c < s->columns; ++c) x_end += s->widths[c];
    for (int r = s->top, y = 0; r < count && y < client.bottom; ++r, y += s->row_height) {
        if (r == s->cursor) {
            RECT rr{0, y, x_end, y + s->row_height};
            FillRect(dc.get(), &rr, selected.get());
        }
        int x = 0;
        for (int c = 0; c < s->columns && x < client.right; ++c) {
            int cw = s->widths[c];
            RECT cr{x, y, x + cw, y + s->row_height};
            const Cell& cell = s->rows[r][c];
            if (s->kinds[c] == CellKind::CheckBox) {
                int box = 13;
                RECT br{x + (cw - box) / 2, y + (s->row_height - box) / 2, 0, 0};
                br.right = br.left + box;
                br.bottom = br.top + box;
                DrawFrameControl(dc.get(), &br, DFC_BUTTON,
                                 DFCS_BUTTONCHECK | (cell.checked ? DFCS_CHECKED : 0));
            } else if (!cell.text.empty()) {
                // The row's room: all of it but the grid line at its foot and
                // a pixel of air above and below the glyphs.
                HFONT f = cell.face.empty() && cell.height == 0
                              ? ui_font()
                              : s->fonts.get(dc.get(), cell.face, cell.height, s->row_height - 3);
                Selected sel_font(dc.get(), f);
                RECT tr{cr.left + 3, cr.top, cr.right - 2, cr.bottom};
                DrawTextA(dc.get(), cell.text.c_str(), static_cast<int>(cell.text.size()), &tr,
                          DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
            }
            x += cw;
            MoveToEx(dc.get(), x - 1, y, nullptr);
            LineTo(dc.get(), x - 1, y + s->row_height);
        }
        MoveToEx(dc.get(), 0, y + s->row_height - 1, nullptr);
        LineTo(dc.get(), x_end, y + s->row_height - 1);
    }
    BitBlt(target, 0, 0, client.right, client.bottom, dc.get(), 0, 0, SRCCOPY);
}

void hit(HWND w, GridState* s, LPARAM lp, int* row, int* col) {
    int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
    *row = y < 0 ? -1 : s->top + y / s->row_height;
    if (*row >= static_cast<int>(s->rows.size())) *row = -1;
    *col = -1;
    for (int c = 0, left = 0; c < s->columns; left += s->widths[c], ++c) {
        if (x >= left && x < left + s->widths[c]) *col = c;
    }
}

// --- handlers: one per message, each on the grid's own state ---------------------

Cell* cell_at(GridState* s, WPARAM wp) {
    const auto* c = reinterpret_cast<const GridCell*>(wp);
    return c ? s->cell(c->row, c->col) : nullptr;
}

void on_set_redraw(HWND w, GridState* s, bool on) {
    // Kept in the grid's own state: the default handling would also show a
    // grid that was hidden when drawing was switched off.
    s->redraw = on;
    if (s->redraw) {
        update_scroll(w, s);
        InvalidateRect(w, nullptr, FALSE);
    }
}

void on_vscroll(HWND w, GridState* s, int code) {
    int top = s->top, page = visible_rows(w, s);
    switch (code) {
        case SB_LINEUP:
            --top;
            break;
        case SB_LINEDOWN:
            ++top;
            break;
        case SB_PAGEUP:
            top -= page;
            break;
        case SB_PAGEDOWN:
            top += page;
            break;
        case SB_TOP:
            top = 0;
            break;
        case SB_BOTTOM:
            top = static_cast<int>(s->rows.size());
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO si{};
            si.cbSize = sizeof si;
            si.fMask = SIF_TRACKPOS;
            GetScrollInfo(w, SB_VERT, &si);
            top = si.nTrackPos;
            break;
        }
    }
    scroll_to(w, s, top);
}

// A press moves the cursor to the row under it. A tick changes when the
// grid's owner says so (its toggling on release, select-all, a list
// refresh), never by the grid itself.
void on_button_down(HWND w, GridState* s, LPARAM lp, bool left) {
    if (left) SetFocus(w);
    int row = -1, col = -1;
    hit(w, s, lp, &row, &col);
    if (row < 0) return;
    s->cursor = row;
    InvalidateRect(w, nullptr, FALSE);
}

void report(GridState* s, GridEvent event, int row, int col, LPARAM lp) {
    if (!s->mouse) return;
    auto handler = s->mouse;  // the handler may replace itself
    handler(event, row, col, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
}

void on_button_up(HWND w, GridState* s, LPARAM lp, GridEvent event) {
    int row = -1, col = -1;
    hit(w, s, lp, &row, &col);
    report(s, event, row, col, lp);
}

// A move onto another cell ends the last cell's hover and starts timing the
// new one; Windows reports the rest (WM_MOUSEHOVER) after kGridHoverMs.
void on_mouse_move(HWND w, GridState* s, LPARAM lp) {
    int row = -1, col = -1;
    hit(w, s, lp, &row, &col);
    if (row == s->hover_row && col == s->hover_col && s->hover_row >= 0) return;
    if (s->hovered) report(s, GridEvent::Leave, s->hover_row, s->hover_col, lp);
    s->hover_row = row;
    s->hover_col = col;
    s->hovered = false;
    track_mouse_leave(w, row >= 0 ? kGridHoverMs : 0);
}

void on_mouse_hover(HWND w, GridState* s, LPARAM lp) {
    int row = -1, col = -1;
    hit(w, s, lp, &row, &col);
    if (row < 0 || row != s->hover_row || col != s->hover_col) return;
    s->hovered = true;
    report(s, GridEvent::Hover, row, col, lp);
}

void on_mouse_leave(GridState* s) {
    if (s->hovered) report(s, GridEvent::Leave, s->hover_row, s->hover_col, 0);
    s->hover_row = s->hover_col = -1;
    s->hovered = false;
}

void set_row_count(HWND w, GridState* s, int n) {
    if (n < 1) return;
    s->rows.resize(static_cast<size_t>(n), std::vector<Cell>(s->columns));
    if (s->cursor >= n) s->cursor = -1;
    update_scroll(w, s);
    invalidate(w, s);
}

void append_row(HWND w, GridState* s) {
    s->rows.emplace_back(s->columns);
    update_scroll(w, s);
    invalidate(w, s);
}

void set_cell_text(HWND w, GridState* s, WPARAM wp, const char* text) {
    if (Cell* c = cell_at(s, wp)) {
        c->text = text ? text : "";
        invalidate_row(w, s, reinterpret_cast<const GridCell*>(wp)->row);
    }
}

bool get_cell_text(GridState* s, WPARAM wp, std::string* out) {
    Cell* c = cell_at(s, wp);
    *out = c ? c->text : std::string();
    return c != nullptr;
}

ATOM cell_atom(GridState* s, int row, int col) {
    Cell* c = s->cell(row, col);
    std::string t = c ? c->text.substr(0, 255) : std::string();
    return t.empty() ? 0 : GlobalAddAtomA(t.c_str());
}

void set_check(HWND w, GridState* s, WPARAM wp, bool checked) {
    if (Cell* c = cell_at(s, wp)) {
        c->checked = checked;
        invalidate_row(w, s, reinterpret_cast<const GridCell*>(wp)->row);
    }
}

void set_cell_font(HWND w, GridState* s, const GridFontRange* f) {
    if (!f) return;
    int first_row = std::max(0, f->first_row);
    int last_row = std::min(f->last_row, static_cast<int>(s->rows.size()) - 1);
    int last_col = std::min(f->last_col, s->columns - 1);
    for (int r = first_row; r <= last_row; ++r) {
        for (int c = std::max(0, f->first_col); c <= last_col; ++c) {
            if (f->face) s->rows[r][c].face = f->face;
            if (f->height) s->rows[r][c].height = f->height;
        }
    }
    if (first_row <= last_row && first_row < s->top + visible_rows(w, s) + 1 && last_row >= s->top)
        invalidate(w, s);
}

void set_column(HWND w, GridState* s, WPARAM col, int* width, const CellKind* kind) {
    if (col >= static_cast<WPARAM>(s->columns)) return;
    if (width) s->widths[col] = std::max(0, *width);
    if (kind) s->kinds[col] = *kind;
    invalidate(w, s);
}

void set_cursor(HWND w, GridState* s, int row) {
    s->cursor = row < static_cast<int>(s->rows.size()) ? row : -1;
    invalidate(w, s);
}

void set_row_height(HWND w, GridState* s, int height) {
    s->row_height = std::max(1, height);
    update_scroll(w, s);
    invalidate(w, s);
}

int set_top_row(HWND w, GridState* s, int top) {
    scroll_to(w, s, top);
    UpdateWindow(w);
    return s->top;
}

LRESULT CALLBACK grid_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) SetWindowLongPtrA(w, GWLP_USERDATA, LONG_PTR(new GridState()));
    GridState* s = state_of(w);
    if (!s) return DefWindowProcA(w, msg, wp, lp);
    int width = static_cast<int>(lp);
    CellKind kind = static_cast<CellKind>(lp);
    switch (msg) {
        case WM_NCDESTROY:
            SetWindowLongPtrA(w, GWLP_USERDATA, 0);
            delete s;
            return DefWindowProcA(w, msg, wp, lp);
        case WM_PAINT:
            paint(w, s, PaintDc(w).get());
            return 0;
        case WM_PRINTCLIENT:
            paint(w, s, reinterpret_cast<HDC>(wp));
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SETREDRAW:
            on_set_redraw(w, s, wp != 0);
            return 0;
        case WM_SIZE:
            update_scroll(w, s);
            return 0;
        case WM_VSCROLL:
            on_vscroll(w, s, LOWORD(wp));
            return 0;
        case WM_MOUSEWHEEL:
            scroll_to(w, s, s->top - GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA * 3);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            on_button_down(w, s, lp, msg == WM_LBUTTONDOWN);
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            on_button_up(w, s, lp, msg == WM_LBUTTONUP ? GridEvent::LeftUp : GridEvent::RightUp);
            return 0;
        case WM_MOUSEMOVE:
            on_mouse_move(w, s, lp);
            return 0;
        case WM_MOUSEHOVER:
            on_mouse_hover(w, s, lp);
            return 0;
        case WM_MOUSELEAVE:
            on_mouse_leave(s);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_KEYDOWN:
            if (move_cursor_by_key(w, s, static_cast<UINT>(wp))) return 0;
            break;

        case GM_SETROWCOUNT:
            set_row_count(w, s, static_cast<int>(wp));
            return 0;
        case GM_GETROWCOUNT:
            return static_cast<LRESULT>(s->rows.size());
        case GM_APPENDROW:
            append_row(w, s);
            return 0;
        case GM_SETCELLTEXT:
            set_cell_text(w, s, wp, reinterpret_cast<const char*>(lp));
            return 0;
        case GM_GETCELLTEXT:
            return get_cell_text(s, wp, reinterpret_cast<std::string*>(lp));
        case GM_GETCELLATOM:
            return cell_atom(s, static_cast<int>(wp), static_cast<int>(lp));
        case GM_GETCHECKAT: {
            Cell* c = s->cell(static_cast<int>(wp), static_cast<int>(lp));
            return c && c->checked;
        }
        case GM_GETCELLFONTAT: {
            Cell* c = s->cell(static_cast<int>(wp), static_cast<int>(lp));
            if (!c) return 0;
            ATOM face = c->face.empty() ? 0 : GlobalAddAtomA(c->face.substr(0, 255).c_str());
            return MAKELONG(face, c->height);
        }
        case GM_GETROWHEIGHT:
            return s->row_height;
        case GM_SETCHECK:
            set_check(w, s, wp, lp != 0);
            return 0;
        case GM_GETCHECK: {
            Cell* c = cell_at(s, wp);
            return c && c->checked;
        }
        case GM_SETCELLFONT:
            set_cell_font(w, s, reinterpret_cast<const GridFontRange*>(lp));
            return 0;
        case GM_SETCOLWIDTH:
            set_column(w, s, wp, &width, nullptr);
            return 0;
        case GM_GETCOLWIDTH:
            return wp < static_cast<WPARAM>(s->columns) ? s->widths[wp] : 0;
        case GM_SETCOLKIND:
            set_column(w, s, wp, nullptr, &kind);
            return 0;
        case GM_GETCURSORROW:
            return s->cursor;
        case GM_SETCURSORROW:
            set_cursor(w, s, static_cast<int>(wp));
            return 0;
        case GM_SETROWHEIGHT:
            set_row_height(w, s, static_cast<int>(wp));
            return 0;
        case GM_GETTOPROW:
            return s->top;
        case GM_SETTOPROW:
            return set_top_row(w, s, static_cast<int>(wp));
        case GM_GETFONTSTATS:
            return MAKELONG(s->fonts.live(), s->fonts.peak());
        case WM_FONTCHANGE:
            s->fonts.clear();
            InvalidateRect(w, nullptr, FALSE);
            return 0;
        case GM_GETFONTSCREATED:
            return static_cast<LRESULT>(s->fonts.created());
    }
    return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace

void register_grid_class(HINSTANCE instance) {
    // No CS_DBLCLKS: two quick clicks on a tick are two presses.
    register_window_class(instance, kGridClass, grid_proc, LoadCursor(nullptr, IDC_ARROW));
}

HWND create_grid(HWND parent, int id, int x, int y, int w, int h, int columns, int row_height) {
    HWND g = CreateWindowExA(WS_EX_CLIENTEDGE, kGridClass, "", WS_CHILD | WS_VSCROLL | WS_TABSTOP,
                             x, y, w, h, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)),
                             nullptr);
    if (!g) return nullptr;
    GridState* s = state_of(g);
    s->columns = columns;
    s->widths.assign(columns, kGridDefaultColumnWidth);
    s->kinds.assign(columns, CellKind::Text);
    s->row_height = row_height;
    s->rows.assign(1, std::vector<Cell>(columns));
    update_scroll(g, s);
    return g;
}

void grid_set_row_count(HWND g, int rows) {
    SendMessageA(g, GM_SETROWCOUNT, rows, 0);
}
int grid_row_count(HWND g) {
    return static_cast<int>(SendMessageA(g, GM_GETROWCOUNT, 0, 0));
}
void grid_append_row(HWND g) {
    SendMessageA(g, GM_APPENDROW, 0, 0);
}
void grid_set_text(HWND g, GridCell cell, const std::string& text) {
    SendMessageA(g, GM_SETCELLTEXT, reinterpret_cast<WPARAM>(&cell),
                 reinterpret_cast<LPARAM>(text.c_str()));
}
std::string grid_text(HWND g, GridCell cell) {
    std::string text;
    SendMessageA(g, GM_GETCELLTEXT, reinterpret_cast<WPARAM>(&cell),
                 reinterpret_cast<LPARAM>(&text));
    return text;
}
void grid_set_check(HWND g, GridCell cell, bool checked) {
    SendMessageA(g, GM_SETCHECK, reinterpret_cast<WPARAM>(&cell), checked);
}
bool grid_check(HWND g, GridCell cell) {
    return SendMessageA(g, GM_GETCHECK, reinterpret_cast<WPARAM>(&cell), 0) != 0;
}
void grid_set_font(HWND g, const GridFontRange& range) {
    SendMessageA(g, GM_SETCELLFONT, 0, reinterpret_cast<LPARAM>(&range));
}
void grid_set_column_width(HWND g, int col, int width) {
    SendMessageA(g, GM_SETCOLWIDTH, col, width);
}
int grid_column_width(HWND g, int col) {
    return static_cast<int>(SendMessageA(g, GM_GETCOLWIDTH, col, 0));
}
void grid_set_column_kind(HWND g, int col, CellKind kind) {
    SendMessageA(g, GM_SETCOLKIND, col, static_cast<LPARAM>(kind));
}
int grid_cursor_row(HWND g) {
    return static_cast<int>(SendMessageA(g, GM_GETCURSORROW, 0, 0));
}
void grid_set_cursor_row(HWND g, int row) {
    SendMessageA(g, GM_SETCURSORROW, static_cast<WPARAM>(row), 0);
}
void on_grid_mouse(HWND g, std::function<void(GridEvent, int, int, int, int)> handler) {
    if (GridState* s = state_of(g)) s->mouse = std::move(handler);
}

}  // namespace yq::win
