#include "catalogue/win/catalogue_page.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <memory>

#include "catalogue/catalogue_db.h"
#include "catalogue/category_model.h"
#include "catalogue/list_geometry.h"
#include "catalogue/list_model.h"
#include "catalogue/picture.h"
#include "catalogue/picture_cache.h"
#include "platform/win/controls.h"
#include "platform/win/dialogs.h"
#include "platform/win/gdiplus.h"
#include "platform/win/handles.h"
#include "resources/win/artwork.h"

namespace yq {
namespace {

// The catalogue database seen as the record source of the models.
class DatabaseRecords : public CatalogueRecords {
  public:
    CatalogueDb db;
    bool open_table(const std::string& table, std::string& error) override {
        error = db.open_table(table);
        return error.empty();
    }
    int record_count() override { return db.record_count(); }
    void move_to(int row) override { db.move_to(row); }
    void move_next() override { db.move_next(); }
    std::string read_text(const std::string& column) override { return db.read_text(column); }
    Bytes read_bytes(const std::string& column) override { return db.read_bytes(column); }
    void close_table() override { db.close_table(); }
};

}  // namespace

struct CataloguePage::State {
    CatalogueControls controls{};
    InstalledCheck installed;
    DownloadRequest download;
    DatabaseRecords records;
    CategoryView categories;
    ListModel list;
    PictureCache pictures;
    HBITMAP category_faces[3] = {};
    HBITMAP action_faces[3] = {};
    HBITMAP spinner[kSpinnerFrames] = {};
    HFONT name_font = nullptr, percent_font = nullptr;
};

namespace {

using PageState = CataloguePage::State;

HFONT point_font(int points) {
    win::WindowDc screen(nullptr);
    return win::make_font({"", -MulDiv(points, GetDeviceCaps(screen.get(), LOGPIXELSY), 72)});
}

void load_artwork(PageState& p) {
    if (p.name_font) return;
    p.category_faces[0] = art::category_face(art::CategoryFace::Normal);
    p.category_faces[1] = art::category_face(art::CategoryFace::Hover);
    p.category_faces[2] = art::category_face(art::CategoryFace::Selected);
    p.action_faces[0] = art::row_action_face(art::RowAction::Install);
    p.action_faces[1] = art::row_action_face(art::RowAction::Download);
    p.action_faces[2] = art::row_action_face(art::RowAction::Installed);
    for (int k = 0; k < kSpinnerFrames; ++k) p.spinner[k] = art::spinner_frame(k + 1);
    p.name_font = point_font(kNamePoints);
    p.percent_font = point_font(kPercentPoints);
}

// JPEG files and PNG icon entries go to the platform's decoder, once their
// headers have declared a size a row can show; what it gives must have that
// size, or nothing is drawn.
Picture decode_with_gdiplus(ByteSpan bytes, int width, int height) {
    Picture out;
    win::ComPtr<IStream> stream(SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size())));
    if (!stream) return out;
    {
        Gdiplus::Bitmap bitmap(stream.get());
        if (bitmap.GetLastStatus() == Gdiplus::Ok && bitmap.GetWidth() == UINT(width) &&
            bitmap.GetHeight() == UINT(height)) {
            Gdiplus::Rect rect(0, 0, width, height);
            Gdiplus::BitmapData data;
            if (bitmap.LockBits(&rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) ==
                Gdiplus::Ok) {
                out.width = width;
                out.height = height;
                out.bgra.resize(static_cast<size_t>(width) * height * 4);
                for (int y = 0; y < height; ++y) {
                    memcpy(out.bgra.data() + static_cast<size_t>(y) * width * 4,
                           static_cast<const uint8_t*>(data.Scan0) +
                               static_cast<ptrdiff_t>(y) * data.Stride,
                           static_cast<size_t>(width) * 4);
                }
                bitmap.UnlockBits(&data);
            }
        }
    }
    return out;
}

// A row picture's pixels; empty (nothing drawn) when it cannot be decoded
// or is larger than a row can show.
Picture decode_row_picture(ByteSpan bytes) {
    DecodedPicture d = decode_picture(bytes);
    switch (d.status) {
        case PictureStatus::Decoded:
            return std::move(d.picture);
        case PictureStatus::JpegNotDecoded:
            return decode_with_gdiplus(bytes, d.width, d.height);
        case PictureStatus::PngNotDecoded:
            return decode_with_gdiplus(bytes.subspan(d.png_offset, d.png_size), d.width, d.height);
        default:
            return {};
    }
}

// Draws a picture at natural size, white and fully transparent pixels left
// out, blending partly transparent ones over what is there.
void draw_picture(HDC dc, const Picture& pic, int x, int y) {
    if (pic.empty()) return;
    uint8_t* bits = nullptr;
    win::UniqueBitmap dib = win::make_dib_section(pic.width, pic.height, bits);
    if (!dib) return;
    win::UniqueMemDc mem(CreateCompatibleDC(dc));
    win::Selected sel(mem.get(), dib.get());
    BitBlt(mem.get(), 0, 0, pic.width, pic.height, dc, x, y, SRCCOPY);
    GdiFlush();
    uint8_t* px = bits;
    for (size_t i = 0; i < pic.bgra.size(); i += 4) {
        uint8_t b = pic.bgra[i], g = pic.bgra[i + 1], r = pic.bgra[i + 2], a = pic.bgra[i + 3];
        if (a == 0 || (r == 255 && g == 255 && b == 255)) continue;
        for (int c = 0; c < 3; ++c) {
            px[i + c] = static_cast<uint8_t>((pic.bgra[i + c] * a + px[i + c] * (255 - a)) / 255);
        }
    }
    BitBlt(dc, x, y, pic.width, pic.height, mem.get(), 0, 0, SRCCOPY);
}

void draw_transparent(HDC dc, HBITMAP bmp, int x, int y) {
    BITMAP bm{};
    GetObjectA(bmp, sizeof bm, &bm);
    win::UniqueMemDc mem(CreateCompatibleDC(dc));
    win::Selected sel(mem.get(), bmp);
    TransparentBlt(dc, x, y, bm.bmWidth, bm.bmHeight, mem.get(), 0, 0, bm.bmWidth, bm.bmHeight,
                   RGB(255, 255, 255));
}

COLORREF colour(unsigned rgb) {
    return RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
}

// The row's licence class in small text after its name; `dc` has the
// name's font selected.
void draw_licence(HDC dc, PageState& p, const RowDrawing& r) {
    const std::string& caption = licence_caption(*r.licence);
    SIZE name{}, text{};
    GetTextExtentPoint32A(dc, r.font_name.c_str(), static_cast<int>(r.font_name.size()), &name);
    win::Selected f(dc, p.percent_font);
    GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
    const int x = std::min(kNameX + static_cast<int>(name.cx) + kLicenceGap,
                           kPreviewButtonX - kLicenceGap - static_cast<int>(text.cx));
    const unsigned rgb = *r.licence == LicenceClass::kFree         ? kFreeLicenceRgb
                         : *r.licence == LicenceClass::kRestricted ? kRestrictedLicenceRgb
                                                                   : kRowTextRgb;
    SetTextColor(dc, colour(rgb));
    TextOutA(dc, x, r.top + kLicenceDy, caption.c_str(), static_cast<int>(caption.size()));
    SetTextColor(dc, colour(kRowTextRgb));
}

void draw_row(PageState& p, const RowDrawing& r) {
    HWND buffer = p.controls.list_buffer, panel = p.controls.list_panel;
    HDC dc = win::panel_dc(buffer);
    int y = r.top;
    {
        win::UniquePen pen(CreatePen(PS_SOLID, 1, colour(kRowFrameRgb)));
        win::Selected sp(dc, pen.get());
        win::Selected sb(dc, GetStockObject(WHITE_BRUSH));
        Rectangle(dc, 0, y, kListPanelWidth, y + kRowBoxHeight);
    }
    if (r.highlighted) {
        COLORREF top = colour(kHighlightTopRgb), bottom = colour(kHighlightBottomRgb);
        TRIVERTEX v[2] = {{kHighlightLeft, y + 1, static_cast<COLOR16>(GetRValue(top) << 8),
                           static_cast<COLOR16>(GetGValue(top) << 8),
                           static_cast<COLOR16>(GetBValue(top) << 8), 0},
                          {kHighlightLeft + kHighlightWidth, y + 1 + kHighlightHeight,
                           static_cast<COLOR16>(GetRValue(bottom) << 8),
                           static_cast<COLOR16>(GetGValue(bottom) << 8),
                           static_cast<COLOR16>(GetBValue(bottom) << 8), 0}};
        GRADIENT_RECT gr{0, 1};
        GradientFill(dc, v, 2, &gr, 1, GRADIENT_FILL_RECT_V);
    }
    if (auto pic = p.pictures.get(r.picture, decode_row_picture))
        draw_picture(dc, *pic, kPictureX, y + kPictureDy);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour(kRowTextRgb));
    {
        win::Selected f(dc, p.name_font);
        TextOutA(dc, kNameX, y + kNameDy, r.font_name.c_str(),
                 static_cast<int>(r.font_name.size()));
        if (r.licence) draw_licence(dc, p, r);
    }
    switch (r.button) {
        case RowButtonLook::Install:
            draw_transparent(dc, p.action_faces[0], kButtonX, y + kButtonDy);
            break;
        case RowButtonLook::InstallPressed:
            draw_transparent(dc, p.action_faces[1], kButtonX, y + kButtonDy);
            break;
        case RowButtonLook::Installed:
            draw_transparent(dc, p.action_faces[2], kButtonX, y + kButtonDy);
            break;
        case RowButtonLook::Downloading: {
            int frame = std::clamp(r.spinner_frame, 1, kSpinnerFrames);
            draw_transparent(dc, p.spinner[frame - 1], kSpinnerX, y + kSpinnerDy);
            win::Selected f(dc, p.percent_font);
            TextOutA(dc, kPercentX, y + kPercentDy, r.percentage_text.c_str(),
                     static_cast<int>(r.percentage_text.size()));
            break;
        }
        case RowButtonLook::None:
            break;
    }
    BitBlt(win::panel_dc(panel), 0, 0, kListPanelWidth, kListPanelHeight, dc, 0, 0, SRCCOPY);
    win::panel_present(panel);
    if (r.row >= 1 && r.row <= 5) ShowWindow(p.controls.preview_buttons[r.row - 1], SW_SHOWNA);
}

void draw_category_button(PageState& p, const CategoryButtonDrawing& b) {
    HWND panel = p.controls.category_panel;
    HDC dc = win::panel_dc(panel);
    HBITMAP face = p.category_faces[static_cast<int>(b.look)];
    BITMAP bm{};
    GetObjectA(face, sizeof bm, &bm);
    {
        win::UniqueMemDc mem(CreateCompatibleDC(dc));
        win::Selected sel(mem.get(), face);
        StretchBlt(dc, b.x, b.y, kCategoryButtonWidth, kCategoryButtonHeight, mem.get(), 0, 0,
                   bm.bmWidth, bm.bmHeight, SRCCOPY);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    win::Selected f(dc, GetStockObject(DEFAULT_GUI_FONT));
    TextOutA(dc, b.text_x, b.text_y, b.text.c_str(), static_cast<int>(b.text.size()));
    win::panel_present(panel);
}

void apply_actions(PageState& p, const PageActions& actions) {
    const CatalogueControls& c = p.controls;
    for (const PageAction& a : actions) {
        switch (a.kind) {
            case PageAction::Kind::ClearListBuffer:
                win::panel_clear(c.list_buffer);
                break;
            case PageAction::Kind::ClearListPanel:
                win::panel_clear(c.list_panel);
                break;
            case PageAction::Kind::ClearCategoryPanel:
                win::panel_clear(c.category_panel);
                break;
            case PageAction::Kind::SetPageIndicator:
                win::set_caption(c.page_indicator_label, a.text);
                break;
            case PageAction::Kind::HidePreviewButtons:
                for (HWND b : c.preview_buttons) ShowWindow(b, SW_HIDE);
                break;
            case PageAction::Kind::ShowTextPreview:
            case PageAction::Kind::HideTextPreview:
                for (HWND w : c.text_preview) {
                    ShowWindow(w,
                               a.kind == PageAction::Kind::ShowTextPreview ? SW_SHOWNA : SW_HIDE);
                }
                break;
            case PageAction::Kind::ShowMessage:
                win::message_box(a.text);
                break;
            case PageAction::Kind::DrawRow:
                draw_row(p, a.drawing);
                break;
            case PageAction::Kind::DrawCategoryButton:
                draw_category_button(p, a.button);
                break;
            case PageAction::Kind::StartDownload:
                if (p.download) p.download(a.row, a.text, a.address);
                break;
        }
    }
}

int current_group(const PageState& p) {
    return static_cast<int>(SendMessageA(p.controls.group_tabs, TCM_GETCURSEL, 0, 0));
}

void group_refresh(PageState& p) {
    PageActions out;
    p.categories.refresh_group(current_group(p), p.records, p.list, p.installed, out);
    apply_actions(p, out);
}

template <typename Fn>
void with_list(PageState& p, Fn fn) {
    PageActions out;
    fn(p, out);
    apply_actions(p, out);
}

}  // namespace

CataloguePage::~CataloguePage() = default;

void CataloguePage::open(const std::string& path) {
    PageState& p = *state_;
    load_artwork(p);
    p.records.db.open(path);
    p.list.read_licences(p.records);
    group_refresh(p);
}

std::string CataloguePage::entry_font(int row) const {
    const ListModel& list = state_->list;
    if (row < 1 || row > list.rows_on_page()) return "";
    return list.slot(row).font_name;
}

void CataloguePage::close() {
    state_->records.db.close();
}

CataloguePage::CataloguePage(const CatalogueControls& controls, InstalledCheck installed,
                             DownloadRequest download)
    : state_(std::make_unique<State>()) {
    PageState& p = *state_;
    p.controls = controls;
    p.installed = std::move(installed);
    p.download = std::move(download);
    load_artwork(p);
    // The preview buttons lie over the list's panel, which was made after
    // them: raised, they get the clicks that land on them.
    for (HWND b : controls.preview_buttons)
        SetWindowPos(b, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    PageState* ps = &p;
    win::on_notify(controls.group_tabs, [ps](int code) {
        if (static_cast<UINT>(code) == TCN_SELCHANGE) group_refresh(*ps);
    });
    win::on_panel_mouse(controls.category_panel, [ps](win::MouseEvent e, int x, int y) {
        with_list(*ps, [&](PageState& p, PageActions& out) {
            if (e == win::MouseEvent::Move) p.categories.hover(x, y, out);
            if (e == win::MouseEvent::LeftUp) {
                p.categories.click(x, y, p.records, p.list, p.installed, out);
            }
        });
    });
    win::on_panel_mouse(controls.list_panel, [ps](win::MouseEvent e, int x, int y) {
        with_list(*ps, [&](PageState& p, PageActions& out) {
            if (e == win::MouseEvent::Move) p.list.mouse_move(x, y, out);
            if (e == win::MouseEvent::LeftDown) p.list.mouse_press(x, y, out);
            if (e == win::MouseEvent::LeftUp) p.list.mouse_release(x, y, out);
        });
    });
    win::on_click(controls.first_page_button, [ps] {
        with_list(*ps, [](PageState& p, PageActions& out) {
            p.list.first_page(p.records, p.installed, out);
        });
    });
    win::on_click(controls.previous_page_button, [ps] {
        with_list(*ps, [](PageState& p, PageActions& out) {
            p.list.previous_page(p.records, p.installed, out);
        });
    });
    win::on_click(controls.next_page_button, [ps] {
        with_list(*ps, [](PageState& p, PageActions& out) {
            p.list.next_page(p.records, p.installed, out);
        });
    });
    win::on_click(controls.last_page_button, [ps] {
        with_list(*ps, [](PageState& p, PageActions& out) {
            p.list.last_page(p.records, p.installed, out);
        });
    });
}

void CataloguePage::spinner_tick() {
    with_list(*state_, [](PageState& p, PageActions& out) { p.list.spinner_tick(out); });
}

void CataloguePage::refresh_rows() {
    with_list(*state_,
              [](PageState& p, PageActions& out) { p.list.refresh_states(p.installed, out); });
}

void CataloguePage::download_progress(const std::string& font_name, int percentage) {
    state_->list.download_progress(font_name, percentage);
}

bool CataloguePage::download_finished(const std::string& font_name, bool installed) {
    bool listed = false;
    with_list(*state_, [&](PageState& p, PageActions& out) {
        listed = p.list.download_finished(
            font_name, installed ? EntryState::Installed : EntryState::NotInstalled, out);
    });
    return listed;
}

}  // namespace yq
