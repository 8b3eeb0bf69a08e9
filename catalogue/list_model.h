// The catalogue list: five slots paged five entries at a time from the
// selected category's table, the list's mouse handling, the download ring and
// the slot changes a download makes. Every operation appends what the Win32
// side must do to a PageActions list (page_actions.h); it runs on the UI thread.
//
//   CatalogueRecords    what the list reads from the catalogue database
//   ListModel::read_licences          the licence classes of a catalogue just opened
//   ListModel::reset                  list part of a group refresh
//   ListModel::select_category        a category was picked: count, page 1, load
//   ListModel::load_page              read the current page into the slots
//   ListModel::first/previous/next/last_page   the page buttons
//   ListModel::mouse_move/press/release        mouse on the list panel
//   ListModel::spinner_tick           the 50 ms timer
//   ListModel::refresh_states         re-derive installed states after font changes
//   ListModel::start_download         a download start request for a slot
//   ListModel::download_progress / download_finished   slot updates by a download
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>

#include "base/bytes.h"
#include "catalogue/page_actions.h"
#include "platform/sfnt/licence.h"

namespace yq {

// One table at a time of the catalogue database, as the list and the category
// view read it. The Win32 side adapts the real database to this.
class CatalogueRecords {
  public:
    virtual ~CatalogueRecords() = default;
    // Opens a table by name with all rows in stored order, positioned on the
    // first; a table still open is closed first. On failure returns false and
    // sets `error` to the text to show; the records then read as not open.
    virtual bool open_table(const std::string& table, std::string& error) = 0;
    // Number of rows of the open table; -1 when no table is open.
    virtual int record_count() = 0;
    // Moves to row n (0-based, from the first row).
    virtual void move_to(int row) = 0;
    virtual void move_next() = 0;
    // The column of the current row: "" / no bytes for an empty or NULL value,
    // an unknown column, no open table, or a position past the last row.
    virtual std::string read_text(const std::string& column) = 0;
    virtual Bytes read_bytes(const std::string& column) = 0;
    virtual void close_table() = 0;
};

// Font name -> is a face of that name installed (byte-for-byte match).
using InstalledCheck = std::function<bool(const std::string& font_name)>;

enum class EntryState : uint8_t { None = 0, NotInstalled = 1, Downloading = 2, Installed = 3 };

// Install-button state of a slot.
inline constexpr int kButtonNormal = 0;
inline constexpr int kButtonHover = 1;
inline constexpr int kButtonPressed = 2;

struct ListSlot {
    std::shared_ptr<const Bytes> picture;  // unpacked "图片"; null when it did not unpack
    std::string font_name;                 // "字体名"
    std::string address;                   // "字体地址"
    std::optional<LicenceClass> licence;   // from the licence table; none when it has no row
    int button_state = kButtonNormal;
    int spinner_frame = 0;  // 1..12 while downloading, 0 before the first drawing
    int percentage = 0;     // last reported download percentage, never reset
    EntryState state = EntryState::None;
};

// Column names of a category table (GBK).
extern const std::string kFontNameColumn;     // "字体名"
extern const std::string kPictureColumn;      // "图片"
extern const std::string kFontAddressColumn;  // "字体地址"
// The licence table of a catalogue that records licences, and its class column (GBK).
extern const std::string kLicenceTable;        // "字体授权"
extern const std::string kLicenceClassColumn;  // "授权"
// At most this many rows of the licence table are read; the rest go unshown.
inline constexpr int kMaxLicenceRows = 200000;

// Page count for a record count: count / 5 truncated, plus 1 when the pages
// do not cover the count exactly. -1 (a table that cannot be opened) gives 1.
int page_count_for(int record_count);

class ListModel {
  public:
    // Slot of row 1..5 (anything else gives slot 1).
    const ListSlot& slot(int row) const;

    int record_count() const { return record_count_; }
    int page_count() const { return page_count_; }
    int current_page() const { return current_page_; }
    int rows_on_page() const { return rows_on_page_; }
    int highlighted_row() const { return highlighted_row_; }
    int hover_row() const { return hover_row_; }
    int last_pressed_row() const { return last_pressed_row_; }
    // Table being paged (category name without blanks at the ends); "" before the first select.
    const std::string& category_table() const { return table_; }
    // True while a download of that font runs (started and not yet finished).
    bool is_downloading(const std::string& font_name) const;

    // Reads the licence table of a catalogue just opened: each address's
    // class, shown beside its row. A catalogue without the table (one built
    // before licences were recorded) shows none, and says nothing of it; a
    // class that is not one of the three captions is not shown.
    void read_licences(CatalogueRecords& records);

    // List part of a group refresh: clears both list panels, zeroes the
    // counters and the mouse state, empties the page indicator, hides the
    // preview buttons. The slots and the current table are kept.
    void reset(PageActions& out);

    // A category was picked (`category_name` may carry its centre padding):
    // counts its table, goes to page 1 and loads it. A table that cannot be
    // opened shows its error here and again in the page load.
    void select_category(const std::string& category_name, CatalogueRecords& records,
                         const InstalledCheck& installed, PageActions& out);

    // Loads the current page into slots 1..n (n = the rows left, at most 5)
    // and draws them. Slots beyond n keep what they held.
    void load_page(CatalogueRecords& records, const InstalledCheck& installed, PageActions& out);

    // Page buttons. Previous on page 1 and next on the last page change
    // nothing; next and last clear the drawing buffer before loading.
    void first_page(CatalogueRecords& records, const InstalledCheck& installed, PageActions& out);
    void previous_page(CatalogueRecords& records, const InstalledCheck& installed,
                       PageActions& out);
    void next_page(CatalogueRecords& records, const InstalledCheck& installed, PageActions& out);
    void last_page(CatalogueRecords& records, const InstalledCheck& installed, PageActions& out);

    // Mouse on the visible list panel, (x, y) in its pixels. The row under a
    // point is y / 50 + 1; rows outside 1..rows on page are ignored. A release
    // in a row's release area appends a StartDownload when the slot is not
    // installed (see start_download).
    void mouse_move(int x, int y, PageActions& out);
    void mouse_press(int x, int y, PageActions& out);
    void mouse_release(int x, int y, PageActions& out);

    // Advances the ring of every slot (all five, also those beyond the
    // current page) that has a name and is downloading, and redraws its row.
    void spinner_tick(PageActions& out);

    // Rows 1..rows on page: entry state from the installed check, redrawn on
    // change. A downloading row stays downloading until its download reports.
    void refresh_states(const InstalledCheck& installed, PageActions& out);

    // Download start for row 1..5: only a not-installed slot whose font is not
    // already downloading starts; it becomes downloading and a StartDownload
    // action is appended. Returns whether it started.
    bool start_download(int row, PageActions& out);

    // Progress of the download of `font_name`: the percentage is stored in
    // every slot of that name; nothing is redrawn (the ring tick shows it).
    void download_progress(const std::string& font_name, int percentage);

    // End of the download of `font_name`: every slot of that name takes
    // `result` (Installed after a completed transfer, NotInstalled after a
    // failure) and its row is redrawn. Returns whether any slot held the name;
    // when none did, the download manager leaves the file alone.
    bool download_finished(const std::string& font_name, EntryState result, PageActions& out);

  private:
    void draw_row(int row, bool highlighted, PageActions& out);
    ListSlot& slot_at(int row) { return slots_[row - 1]; }
    // Row under a point, or 0 outside rows 1..rows on page.
    int row_at(int y) const;

    ListSlot slots_[5];
    int record_count_ = 0;
    int page_count_ = 0;
    int current_page_ = 0;
    int rows_on_page_ = 0;
    int highlighted_row_ = 0;
    int hover_row_ = 0;
    int last_pressed_row_ = 0;
    std::string table_;
    std::set<std::string> downloading_;  // font names with a running download
    std::unordered_map<std::string, LicenceClass> licences_;  // by 字体地址
};

}  // namespace yq
