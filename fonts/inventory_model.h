// The installed-font inventory and the listing orders of the system font
// grid, as plain data. The Win32 side fills the inventory from the fonts
// registry key and applies the grid layout computed here.
//
//   FontScope               for every user, or for the current user only
//   FontInventory           parallel lists (face, file path, registry value name, scope)
//   starts_with_chinese     is the first character a GBK ideograph
//   initial_key             sort key of a face name for the initial-letter order
//   order_for_listing       reorders the inventory for a listing order, gives what to place
//   lay_out_system_font_grid  rows and cells for the placed fonts, and the label text
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace yq {

// Where a font is installed: for every user (the system Fonts folder and the
// machine's fonts key, which names the file by its bare name), or for the
// current user only (the user's own Fonts folder and the user's fonts key,
// which names the file by its absolute path).
enum class FontScope : uint8_t { Machine, User };

// Installed fonts, one entry per face, positions counting from 1. Face names
// are never empty and never repeat.
class FontInventory {
  public:
    // Appends a font. An empty face name, or one already listed (compared byte
    // for byte), is skipped: the first entry of a face wins, so the machine's
    // fonts are appended first, as Windows resolves a face both keys name.
    // True when appended.
    bool append(std::string face_name, std::string file_path, std::string value_name,
                FontScope scope = FontScope::Machine);
    void clear();

    int count() const { return static_cast<int>(faces_.size()); }
    // Position (from 1) of the entry whose face name equals `face_name` byte
    // for byte, or 0 when there is none.
    int find(std::string_view face_name) const;

    // Fields of the entry at `position` (from 1); "" outside 1..count().
    const std::string& face_name(int position) const;
    const std::string& file_path(int position) const;
    const std::string& value_name(int position) const;
    // The key the entry's value is in (Machine outside 1..count()).
    FontScope scope(int position) const;

    // Puts the entries in a new order: new position i + 1 holds the entry that
    // was at position order[i] + 1. `order` must be a permutation of 0..count()-1;
    // anything else leaves the inventory unchanged and returns false.
    bool permute(const std::vector<int>& order);

  private:
    std::vector<std::string> faces_, paths_, values_;
    std::vector<FontScope> scopes_;
    std::unordered_map<std::string, int> index_;  // face name -> 0-based index
};

// True when the text's first two bytes are a GBK ideograph: lead 0x81..0xA0
// with trail 0x40..0xFE, lead 0xAA..0xFE with trail 0x40..0xA0, or lead
// 0xB0..0xF7 with trail 0xA1..0xFE. Symbol rows (lead 0xA1..0xA9) are not.
bool starts_with_chinese(std::string_view text);

// Sort key of a face name for the initial-letter order: 255 for a leading
// "@" (the vertical form of a face); 'A'..'Z' (65..90) for a leading letter,
// a digit read by its Chinese name (1 Y, 2 E, 3 S, 4 S, 5 W, 6 L, 7 Q, 8 B,
// 9 J, 0 S), or a GB2312 hanzi by the initial of its pinyin; 0 for anything
// else (punctuation, other GBK characters, the empty text).
constexpr uint8_t kVerticalFaceKey = 255;
uint8_t initial_key(std::string_view face_name);

// Listing orders of the system font grid, numbered as the order buttons set them.
enum class ListingOrder : int { ChineseFirst = 2, InitialLetter = 3, NewestFirst = 4 };

// A font file's creation time on any clock that grows with time (FILETIME
// ticks, seconds); empty when it could not be read, which sorts as oldest.
using FontDate = std::optional<int64_t>;

// Orders the inventory for `order` and returns the positions (from 1, in the
// reordered inventory) of the fonts to place, in placement order:
//  - ChineseFirst: the inventory is left as it is; faces that start with
//    Chinese first, then the others, each in inventory order; faces starting
//    with "@" are left out.
//  - InitialLetter: the inventory is sorted stably by initial_key (ascending,
//    so key 0 comes before A..Z); every face is placed except key 255.
//  - NewestFirst: the inventory is sorted stably by `dates`, newest first;
//    every face is placed. dates[i] belongs to position i + 1 before the sort;
//    a missing entry counts as unreadable.
// The sorts leave entries with equal keys in their old order, as the
// insertion sort of the first version did.
std::vector<int> order_for_listing(FontInventory& inventory, ListingOrder order,
                                   const std::vector<FontDate>& dates = {});

// Columns of the system font grid: two fonts a row, left and right half.
constexpr int kSampleColumn[2] = {0, 3};
constexpr int kNameColumn[2] = {1, 4};
constexpr int kCheckColumn[2] = {2, 5};
constexpr int kSampleFontHeight = 20;

// One half-row of the grid: write face_name into the sample and the name
// cell, and draw the sample cell in that face. A blank slot (position 0,
// empty face_name) clears the two cells.
struct GridSlot {
    int row = 0;
    int half = 0;      // 0 left (columns 0..2), 1 right (columns 3..5)
    int position = 0;  // inventory position, 0 for a blank slot
    std::string face_name;
};

struct SystemFontGridLayout {
    int row_count = 1;            // ceil(placed / 2), at least 1
    std::vector<GridSlot> slots;  // font k of the placement in row k / 2, half k % 2
    int placed = 0;
    // The label's new caption, "系统字体数:" + placed; empty when nothing was
    // placed, and the label then keeps its caption.
    std::string label;
};

// Layout of the placed fonts. When an odd number is placed, the right half of
// the last row gets a blank slot, so no name from an earlier fill stays there.
// Nothing placed gives one row with a blank left slot and no label.
SystemFontGridLayout lay_out_system_font_grid(const FontInventory& inventory,
                                              const std::vector<int>& placement);

}  // namespace yq
