#include "catalogue/list_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "platform/zt/zt_container.h"
#include "catalogue/list_geometry.h"
#include "fake_records.h"

namespace yq {
namespace {

using test::FakeRecords;
using test::FakeRow;
using test::kinds;
using test::row_drawings;
using test::texts_of;
using Kind = PageAction::Kind;

FakeRow font_row(const std::string& name, const std::string& address, Bytes picture = {}) {
    FakeRow r;
    r.text[kFontNameColumn] = name;
    r.text[kFontAddressColumn] = address;
    if (!picture.empty()) r.bytes[kPictureColumn] = std::move(picture);
    return r;
}

// A catalogue with one category table of `count` fonts named F1, F2, ...
class ListModelTest : public ::testing::Test {
  protected:
    void make_table(const std::string& table, int count) {
        auto& rows = records.tables[table];
        rows.clear();
        for (int i = 1; i <= count; ++i)
            rows.push_back(font_row("F" + std::to_string(i), "a" + std::to_string(i)));
    }
    void select(const std::string& name) {
        actions.clear();
        list.select_category(name, records, installed, actions);
    }
    PageActions act() {
        PageActions a;
        std::swap(a, actions);
        return a;
    }

    FakeRecords records;
    std::set<std::string> installed_names;
    InstalledCheck installed = [this](const std::string& n) {
        return installed_names.count(n) != 0;
    };
    ListModel list;
    PageActions actions;
};

TEST(ListPages, PageCountCoversTheRecords) {
    EXPECT_EQ(page_count_for(0), 0);
    EXPECT_EQ(page_count_for(1), 1);
    EXPECT_EQ(page_count_for(5), 1);
    EXPECT_EQ(page_count_for(10), 2);
    EXPECT_EQ(page_count_for(11), 3);
    // A table that cannot be opened counts -1 rows and still has one page.
    EXPECT_EQ(page_count_for(-1), 1);
}

TEST_F(ListModelTest, SelectLoadsFirstPageFromTrimmedName) {
    make_table("Sans", 11);
    installed_names = {"F2"};
    select("   Sans");
    PageActions a = act();
    EXPECT_EQ(list.category_table(), "Sans");
    EXPECT_EQ(list.record_count(), 11);
    EXPECT_EQ(list.page_count(), 3);
    EXPECT_EQ(list.current_page(), 1);
    EXPECT_EQ(list.rows_on_page(), 5);
    EXPECT_EQ(texts_of(a, Kind::SetPageIndicator), (std::vector<std::string>{"", "1/3"}));
    EXPECT_EQ(records.open_now, 0);  // closed after reading

    auto k = kinds(a);
    ASSERT_GE(k.size(), 3u);
    EXPECT_EQ(
        std::vector<Kind>(k.begin(), k.begin() + 3),
        (std::vector<Kind>{Kind::ClearListBuffer, Kind::ClearListPanel, Kind::SetPageIndicator}));
    auto rows = row_drawings(a);
    ASSERT_EQ(rows.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(rows[i].row, i + 1);
        EXPECT_EQ(rows[i].top, i * 50);
        EXPECT_FALSE(rows[i].highlighted);
        EXPECT_EQ(rows[i].font_name, "F" + std::to_string(i + 1));
    }
    EXPECT_EQ(rows[1].button, RowButtonLook::Installed);
    EXPECT_EQ(rows[0].button, RowButtonLook::Install);
    EXPECT_EQ(list.slot(2).state, EntryState::Installed);
    EXPECT_EQ(list.slot(3).address, "a3");
}

// The licence table gives each address's class; an address it lacks, a
// caption it does not know and a catalogue without the table show none, and
// a catalogue opened again is read again.
TEST_F(ListModelTest, RowsShowTheLicenceTablesClasses) {
    make_table("Sans", 6);
    select("Sans");
    for (const RowDrawing& r : row_drawings(act())) EXPECT_FALSE(r.licence) << r.font_name;
    EXPECT_EQ(records.opened.front(), "Sans");  // no licence table asked for yet

    auto licence_row = [](const std::string& address, const std::string& caption) {
        FakeRow r;
        r.text[kFontAddressColumn] = address;
        r.text[kLicenceClassColumn] = caption;
        return r;
    };
    records.tables[kLicenceTable] = {
        licence_row("a1", licence_caption(LicenceClass::kFree)),
        licence_row("a2", licence_caption(LicenceClass::kRestricted)),
        licence_row("a3", licence_caption(LicenceClass::kUnknown)),
        licence_row("a4", "free"),
        licence_row("", licence_caption(LicenceClass::kFree)),
        licence_row("a6", licence_caption(LicenceClass::kFree)),
    };
    list.read_licences(records);
    EXPECT_EQ(records.open_now, 0);
    select("Sans");
    std::vector<RowDrawing> rows = row_drawings(act());
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].licence, LicenceClass::kFree);
    EXPECT_EQ(rows[1].licence, LicenceClass::kRestricted);
    EXPECT_EQ(rows[2].licence, LicenceClass::kUnknown);
    EXPECT_FALSE(rows[3].licence);  // "free" is no class
    EXPECT_FALSE(rows[4].licence);  // the row without an address counts for none
    actions.clear();
    list.next_page(records, installed, actions);
    rows = row_drawings(act());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].licence, LicenceClass::kFree);

    records.tables.erase(kLicenceTable);
    list.read_licences(records);
    select("Sans");
    for (const RowDrawing& r : row_drawings(act())) EXPECT_FALSE(r.licence) << r.font_name;
}

TEST_F(ListModelTest, PageButtonsWalkTheCategory) {
    make_table("T", 11);
    select("T");
    act();

    list.next_page(records, installed, actions);
    PageActions a = act();
    EXPECT_EQ(list.current_page(), 2);
    EXPECT_EQ(a.front().kind, Kind::ClearListBuffer);
    EXPECT_EQ(row_drawings(a).front().font_name, "F6");

    list.next_page(records, installed, actions);
    a = act();
    EXPECT_EQ(list.current_page(), 3);
    EXPECT_EQ(a.front().kind, Kind::ClearListBuffer);
    EXPECT_EQ(row_drawings(a).size(), 1u);
    EXPECT_EQ(list.rows_on_page(), 1);
    EXPECT_EQ(texts_of(a, Kind::SetPageIndicator), (std::vector<std::string>{"3/3"}));
    // Slots beyond the short page keep the earlier page's entries.
    EXPECT_EQ(list.slot(2).font_name, "F7");

    list.next_page(records, installed, actions);  // already on the last page
    EXPECT_TRUE(act().empty());
    EXPECT_EQ(list.current_page(), 3);

    list.previous_page(records, installed, actions);
    a = act();
    EXPECT_EQ(list.current_page(), 2);
    EXPECT_EQ(row_drawings(a).size(), 5u);
    EXPECT_EQ(a.front().kind, Kind::SetPageIndicator);  // previous keeps the buffer

    list.first_page(records, installed, actions);
    act();
    list.previous_page(records, installed, actions);  // on page 1
    EXPECT_TRUE(act().empty());
    EXPECT_EQ(list.current_page(), 1);

    list.last_page(records, installed, actions);
    a = act();
    EXPECT_EQ(list.current_page(), 3);
    EXPECT_EQ(a.front().kind, Kind::ClearListBuffer);
}

TEST_F(ListModelTest, MissingTableShowsItsErrorTwiceAndOnePage) {
    select("Gone");
    PageActions a = act();
    EXPECT_EQ(texts_of(a, Kind::ShowMessage),
              (std::vector<std::string>{"no table Gone", "no table Gone"}));
    EXPECT_EQ(list.record_count(), -1);
    EXPECT_EQ(list.page_count(), 1);
    EXPECT_EQ(texts_of(a, Kind::SetPageIndicator), (std::vector<std::string>{"", "1/1"}));
    EXPECT_TRUE(row_drawings(a).empty());
    EXPECT_EQ(list.rows_on_page(), 0);
    // The rows on page stay 0, so the mouse finds nothing to act on.
    list.mouse_release(700, 20, actions);
    EXPECT_TRUE(act().empty());
}

TEST_F(ListModelTest, EmptyCategoryHidesTextPreviewAndIndicator) {
    make_table("Empty", 0);
    select("Empty");
    PageActions a = act();
    EXPECT_EQ(list.page_count(), 0);
    EXPECT_EQ(texts_of(a, Kind::SetPageIndicator), (std::vector<std::string>{"", "1/0", ""}));
    auto k = kinds(a);
    EXPECT_NE(std::find(k.begin(), k.end(), Kind::HideTextPreview), k.end());
    EXPECT_EQ(std::find(k.begin(), k.end(), Kind::ShowTextPreview), k.end());
    // With no pages the first and last buttons do nothing.
    list.first_page(records, installed, actions);
    list.last_page(records, installed, actions);
    EXPECT_TRUE(act().empty());
}

TEST_F(ListModelTest, PicturesAreUnpackedOrDropped) {
    Bytes image = {'B', 'M', 1, 2, 3};
    records.tables["P"] = {font_row("A", "a", zt_pack(image)),
                           font_row("B", "b", Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}),
                           font_row("C", "c")};
    select("P");
    auto rows = row_drawings(act());
    ASSERT_EQ(rows.size(), 3u);
    ASSERT_TRUE(rows[0].picture);
    EXPECT_EQ(*rows[0].picture, image);
    EXPECT_FALSE(rows[1].picture);
    EXPECT_FALSE(rows[2].picture);
}

TEST_F(ListModelTest, GroupResetClearsCountersButKeepsSlotsAndTable) {
    make_table("T", 7);
    select("T");
    list.mouse_move(10, 60, actions);
    act();
    list.reset(actions);
    PageActions a = act();
    EXPECT_EQ(kinds(a), (std::vector<Kind>{Kind::ClearListBuffer, Kind::ClearListPanel,
                                           Kind::SetPageIndicator, Kind::HidePreviewButtons}));
    EXPECT_EQ(list.page_count(), 0);
    EXPECT_EQ(list.current_page(), 0);
    EXPECT_EQ(list.rows_on_page(), 0);
    EXPECT_EQ(list.highlighted_row(), 0);
    EXPECT_EQ(list.category_table(), "T");
    EXPECT_EQ(list.slot(1).font_name, "F1");
}

TEST_F(ListModelTest, MouseMoveHighlightsRowAndHoversButton) {
    make_table("T", 3);
    select("T");
    act();

    list.mouse_move(100, 60, actions);  // row 2, not on the button
    auto rows = row_drawings(act());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].row, 2);
    EXPECT_TRUE(rows[0].highlighted);
    EXPECT_EQ(list.highlighted_row(), 2);

    list.mouse_move(700, 120, actions);  // row 3, on its button (top 111)
    rows = row_drawings(act());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].row, 3);
    EXPECT_TRUE(rows[0].highlighted);
    EXPECT_EQ(rows[2].row, 2);
    EXPECT_FALSE(rows[2].highlighted);
    EXPECT_EQ(list.hover_row(), 3);
    EXPECT_EQ(list.slot(3).button_state, kButtonHover);

    list.mouse_move(700, 125, actions);  // same row, same button: nothing new
    EXPECT_TRUE(act().empty());

    list.mouse_move(700, 170, actions);  // row 4 lies beyond a three-row page
    list.mouse_press(700, 170, actions);
    list.mouse_release(700, 170, actions);
    EXPECT_TRUE(act().empty());
    EXPECT_EQ(list.highlighted_row(), 3);
}

TEST_F(ListModelTest, PressShowsDownloadFaceAndReleaseStartsDownload) {
    make_table("T", 5);
    installed_names = {"F1"};
    select("T");
    act();

    list.mouse_press(700, 20, actions);  // row 1 button, installed font
    auto rows = row_drawings(act());
    EXPECT_EQ(rows.back().button, RowButtonLook::Installed);

    list.mouse_press(700, 70, actions);  // row 2 button (top 62)
    rows = row_drawings(act());
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front().row, 2);
    EXPECT_EQ(rows.front().button, RowButtonLook::InstallPressed);
    EXPECT_EQ(list.last_pressed_row(), 2);

    // Released outside the columns: no download, all button states back to 0.
    list.mouse_release(600, 70, actions);
    EXPECT_TRUE(act().empty());
    EXPECT_EQ(list.slot(2).button_state, kButtonNormal);

    // Released below the button but still in the row: starts.
    list.mouse_release(700, 95, actions);
    PageActions a = act();
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[0].kind, Kind::StartDownload);
    EXPECT_EQ(a[0].row, 2);
    EXPECT_EQ(a[0].text, "F2");
    EXPECT_EQ(a[0].address, "a2");
    EXPECT_EQ(a[1].drawing.button, RowButtonLook::Downloading);
    EXPECT_EQ(a[1].drawing.spinner_frame, 1);
    EXPECT_EQ(a[1].drawing.percentage_text, "下载中:0%");
    EXPECT_EQ(list.slot(2).state, EntryState::Downloading);

    // A release on a downloading or installed row starts nothing.
    list.mouse_release(700, 95, actions);
    list.mouse_release(700, 20, actions);
    a = act();
    EXPECT_TRUE(texts_of(a, Kind::StartDownload).empty());
    // The row above the button top does not start (y = top exclusive).
    list.mouse_release(700, 111, actions);
    EXPECT_TRUE(texts_of(act(), Kind::StartDownload).empty());
}

TEST_F(ListModelTest, SpinnerTurnsEveryDownloadingSlotIncludingLeftovers) {
    make_table("T", 7);
    select("T");
    list.start_download(4, actions);              // F4 on page 1
    list.next_page(records, installed, actions);  // page 2 has two rows
    act();
    ASSERT_EQ(list.rows_on_page(), 2);
    ASSERT_EQ(list.slot(4).state, EntryState::Downloading);

    std::vector<int> frames;
    for (int i = 0; i < 7; ++i) {
        list.spinner_tick(actions);
        auto rows = row_drawings(act());
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].row, 4);
        EXPECT_FALSE(rows[0].highlighted);
        frames.push_back(rows[0].spinner_frame);
    }
    // Frame 0 becomes 2 at the first tick (the start drew nothing here).
    EXPECT_EQ(frames, (std::vector<int>{2, 4, 6, 8, 10, 12, 1}));
}

TEST_F(ListModelTest, DownloadReportsUpdateMatchingSlots) {
    records.tables["T"] = {font_row("Same", "x"), font_row("Other", "y"), font_row("Same", "z")};
    select("T");
    act();
    ASSERT_TRUE(list.start_download(1, actions));
    // The same font in another slot cannot start a second transfer.
    EXPECT_FALSE(list.start_download(3, actions));
    act();

    list.download_progress("Same", 42);
    EXPECT_EQ(list.slot(1).percentage, 42);
    EXPECT_EQ(list.slot(3).percentage, 42);
    EXPECT_EQ(list.slot(2).percentage, 0);
    list.spinner_tick(actions);
    EXPECT_EQ(row_drawings(act()).front().percentage_text, "下载中:42%");

    EXPECT_TRUE(list.download_finished("Same", EntryState::Installed, actions));
    auto rows = row_drawings(act());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].row, 1);
    EXPECT_EQ(rows[1].row, 3);
    EXPECT_EQ(rows[0].button, RowButtonLook::Installed);
    EXPECT_FALSE(list.is_downloading("Same"));

    EXPECT_FALSE(list.download_finished("Nowhere", EntryState::NotInstalled, actions));
    EXPECT_TRUE(act().empty());
}

TEST_F(ListModelTest, StateRefreshKeepsDownloadsAndRedrawsChanges) {
    make_table("T", 3);
    select("T");
    list.start_download(2, actions);
    act();

    installed_names = {"F1"};
    list.refresh_states(installed, actions);
    auto rows = row_drawings(act());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].row, 1);
    EXPECT_EQ(list.slot(1).state, EntryState::Installed);
    EXPECT_EQ(list.slot(2).state, EntryState::Downloading);
    EXPECT_FALSE(list.start_download(2, actions));

    // Coming back to the page while the font downloads keeps the ring.
    list.first_page(records, installed, actions);
    act();
    EXPECT_EQ(list.slot(2).state, EntryState::Downloading);

    list.download_finished("F2", EntryState::NotInstalled, actions);
    act();
    EXPECT_EQ(list.slot(2).state, EntryState::NotInstalled);
    EXPECT_TRUE(list.start_download(2, actions));  // a failed download can be retried
}

TEST(ListGeometry, ButtonAndReleaseAreas) {
    EXPECT_TRUE(in_button_area(1, 666, 12));
    EXPECT_FALSE(in_button_area(1, 665, 12));
    EXPECT_FALSE(in_button_area(1, 727, 12));
    EXPECT_FALSE(in_button_area(1, 700, 11));
    EXPECT_FALSE(in_button_area(1, 700, 34));
    EXPECT_TRUE(in_release_area(1, 700, 49));
    EXPECT_TRUE(in_button_area(5, 700, 212));
    EXPECT_FALSE(in_button_area(0, 700, 12));
    EXPECT_FALSE(in_button_area(6, 700, 262));
}

}  // namespace
}  // namespace yq
