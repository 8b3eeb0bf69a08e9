#include "catalogue/list_model.h"

#include <algorithm>

#include "platform/zt/zt_container.h"
#include "base/text.h"
#include "catalogue/list_geometry.h"
#include "catalogue/picture.h"

namespace yq {

// GBK bytes spelled out so that every compiler gives the same column names.
const std::string kFontNameColumn = "\xD7\xD6\xCC\xE5\xC3\xFB";             // 字体名
const std::string kPictureColumn = "\xCD\xBC\xC6\xAC";                      // 图片
const std::string kFontAddressColumn = "\xD7\xD6\xCC\xE5\xB5\xD8\xD6\xB7";  // 字体地址
const std::string kLicenceTable = "\xD7\xD6\xCC\xE5\xCA\xDA\xC8\xA8";        // 字体授权
const std::string kLicenceClassColumn = "\xCA\xDA\xC8\xA8";                      // 授权
static const char kDownloadingLabel[] = "\xCF\xC2\xD4\xD8\xD6\xD0:";        // 下载中:

namespace {

PageAction simple(PageAction::Kind kind, std::string text = {}) {
    PageAction a;
    a.kind = kind;
    a.text = std::move(text);
    return a;
}

void show_open_error(const std::string& error, PageActions& out) {
    out.push_back(simple(PageAction::Kind::ShowMessage, error));
}

}  // namespace

int page_count_for(int record_count) {
    int pages = record_count / 5;
    double covered = static_cast<double>(pages) * 5.0;
    double diff = covered - static_cast<double>(record_count);
    if (diff > 1e-7 || diff < -1e-7) ++pages;
    return pages;
}

const ListSlot& ListModel::slot(int row) const {
    return row >= 1 && row <= kListRows ? slots_[row - 1] : slots_[0];
}

bool ListModel::is_downloading(const std::string& font_name) const {
    return downloading_.count(font_name) != 0;
}

int ListModel::row_at(int y) const {
    // y / 50 + 1 truncated toward zero; points above the panel give row 0.
    int row = static_cast<int>(static_cast<double>(y) / kListRowHeight + 1.0);
    if (row < 1 || row > rows_on_page_ || row > kListRows) return 0;
    return row;
}

void ListModel::draw_row(int row, bool highlighted, PageActions& out) {
    if (row < 1 || row > kListRows) return;
    ListSlot& s = slot_at(row);
    PageAction a = simple(PageAction::Kind::DrawRow);
    RowDrawing& d = a.drawing;
    d.row = row;
    d.top = row_top(row);
    d.highlighted = highlighted;
    d.picture = s.picture;
    d.font_name = s.font_name;
    d.licence = s.licence;
    switch (s.state) {
        case EntryState::NotInstalled:
            d.button = s.button_state == kButtonPressed ? RowButtonLook::InstallPressed
                                                        : RowButtonLook::Install;
            break;
        case EntryState::Installed:
            d.button = RowButtonLook::Installed;
            break;
        case EntryState::Downloading:
            if (s.spinner_frame == 0) s.spinner_frame = 1;
            d.button = RowButtonLook::Downloading;
            d.spinner_frame = s.spinner_frame;
            d.percentage_text = kDownloadingLabel + int_to_text(s.percentage) + "%";
            break;
        case EntryState::None:
            d.button = RowButtonLook::None;
            break;
    }
    out.push_back(std::move(a));
}

void ListModel::read_licences(CatalogueRecords& records) {
    licences_.clear();
    std::string error;
    if (!records.open_table(kLicenceTable, error)) return;
    const int rows = std::min(records.record_count(), kMaxLicenceRows);
    records.move_to(0);
    for (int i = 0; i < rows; ++i) {
        std::optional<LicenceClass> kind = licence_of_caption(records.read_text(kLicenceClassColumn));
        std::string address = records.read_text(kFontAddressColumn);
        if (kind && !address.empty()) licences_[std::move(address)] = *kind;
        records.move_next();
    }
    records.close_table();
}

void ListModel::reset(PageActions& out) {
    out.push_back(simple(PageAction::Kind::ClearListBuffer));
    out.push_back(simple(PageAction::Kind::ClearListPanel));
    record_count_ = 0;
    highlighted_row_ = 0;
    hover_row_ = 0;
    page_count_ = 0;
    current_page_ = 0;
    out.push_back(simple(PageAction::Kind::SetPageIndicator));
    out.push_back(simple(PageAction::Kind::HidePreviewButtons));
    rows_on_page_ = 0;
}

void ListModel::select_category(const std::string& category_name, CatalogueRecords& records,
                                const InstalledCheck& installed, PageActions& out) {
    out.push_back(simple(PageAction::Kind::ClearListBuffer));
    out.push_back(simple(PageAction::Kind::ClearListPanel));
    out.push_back(simple(PageAction::Kind::SetPageIndicator));
    current_page_ = 1;
    table_ = trim_blanks(category_name);

    std::string error;
    if (!records.open_table(table_, error)) show_open_error(error, out);
    record_count_ = records.record_count();
    page_count_ = page_count_for(record_count_);
    records.close_table();
    load_page(records, installed, out);
}

void ListModel::load_page(CatalogueRecords& records, const InstalledCheck& installed,
                          PageActions& out) {
    out.push_back(simple(PageAction::Kind::SetPageIndicator,
                         int_to_text(current_page_) + "/" + int_to_text(page_count_)));
    if (page_count_ == 0) {
        out.push_back(simple(PageAction::Kind::HideTextPreview));
        out.push_back(simple(PageAction::Kind::SetPageIndicator));
    }
    if (table_.empty()) return;

    std::string error;
    if (!records.open_table(table_, error)) show_open_error(error, out);
    int64_t first = (static_cast<int64_t>(current_page_) - 1) * 5;
    if (first < 0) first = 0;
    records.move_to(static_cast<int>(first));
    int64_t remaining = static_cast<int64_t>(records.record_count()) - first;

    highlighted_row_ = 0;
    hover_row_ = 0;
    out.push_back(simple(PageAction::Kind::HidePreviewButtons));
    if (remaining != 0) out.push_back(simple(PageAction::Kind::ShowTextPreview));

    int n = remaining >= kListRows ? kListRows : static_cast<int>(remaining);
    for (int row = 1; row <= n; ++row) {
        std::string name = records.read_text(kFontNameColumn);
        Bytes packed = records.read_bytes(kPictureColumn);
        std::string address = records.read_text(kFontAddressColumn);

        Bytes unpacked = zt_unpack(packed, kMaxPictureFileBytes).value_or(Bytes());
        ListSlot& s = slot_at(row);
        s.picture = unpacked.empty() ? nullptr : std::make_shared<const Bytes>(std::move(unpacked));
        // A font still downloading keeps its ring when its page is shown again.
        if (downloading_.count(name))
            s.state = EntryState::Downloading;
        else
            s.state =
                installed && installed(name) ? EntryState::Installed : EntryState::NotInstalled;
        s.font_name = std::move(name);
        auto licence = licences_.find(address);
        s.licence = licence == licences_.end() ? std::nullopt : std::optional(licence->second);
        s.address = std::move(address);
        s.button_state = kButtonNormal;
        draw_row(row, false, out);
        records.move_next();
    }
    records.close_table();
    // A table that cannot be opened leaves remaining negative: no rows.
    rows_on_page_ = n > 0 ? n : 0;
}

void ListModel::first_page(CatalogueRecords& records, const InstalledCheck& installed,
                           PageActions& out) {
    if (page_count_ == 0) return;
    current_page_ = 1;
    load_page(records, installed, out);
}

void ListModel::previous_page(CatalogueRecords& records, const InstalledCheck& installed,
                              PageActions& out) {
    current_page_ -= 1;
    if (current_page_ < 1) {
        current_page_ = 1;
        return;
    }
    load_page(records, installed, out);
}

void ListModel::next_page(CatalogueRecords& records, const InstalledCheck& installed,
                          PageActions& out) {
    if (current_page_ >= page_count_) return;
    current_page_ += 1;
    out.push_back(simple(PageAction::Kind::ClearListBuffer));
    load_page(records, installed, out);
}

void ListModel::last_page(CatalogueRecords& records, const InstalledCheck& installed,
                          PageActions& out) {
    if (page_count_ == 0) return;
    current_page_ = page_count_;
    out.push_back(simple(PageAction::Kind::ClearListBuffer));
    load_page(records, installed, out);
}

void ListModel::mouse_move(int x, int y, PageActions& out) {
    int row = row_at(y);
    if (row == 0) return;
    if (row != hover_row_ && in_button_area(row, x, y)) {
        for (int i = 1; i <= kListRows; ++i) slot_at(i).button_state = kButtonNormal;
        slot_at(row).button_state = kButtonHover;
        hover_row_ = row;
        draw_row(row, true, out);
    }
    if (row != highlighted_row_) {
        draw_row(row, true, out);
        if (highlighted_row_ != 0) draw_row(highlighted_row_, false, out);
        highlighted_row_ = row;
    }
}

void ListModel::mouse_press(int x, int y, PageActions& out) {
    int row = row_at(y);
    if (row == 0 || !in_button_columns(x)) return;
    if (in_button_area(row, x, y)) {
        for (int i = 1; i <= kListRows; ++i) slot_at(i).button_state = kButtonNormal;
        slot_at(row).button_state = kButtonPressed;
        draw_row(row, true, out);
    }
    if (row != last_pressed_row_) {
        draw_row(row, true, out);
        if (last_pressed_row_ != 0) draw_row(last_pressed_row_, false, out);
        last_pressed_row_ = row;
    }
}

void ListModel::mouse_release(int x, int y, PageActions& out) {
    for (int i = 1; i <= kListRows; ++i) slot_at(i).button_state = kButtonNormal;
    int row = row_at(y);
    if (row == 0 || !in_release_area(row, x, y)) return;
    slot_at(row).button_state = kButtonHover;
    start_download(row, out);
    draw_row(row, true, out);
}

void ListModel::spinner_tick(PageActions& out) {
    for (int row = 1; row <= kListRows; ++row) {
        ListSlot& s = slot_at(row);
        if (s.font_name.empty() || s.state != EntryState::Downloading) continue;
        s.spinner_frame += 2;
        if (s.spinner_frame > kSpinnerFrames) s.spinner_frame = 1;
        draw_row(row, false, out);
    }
}

void ListModel::refresh_states(const InstalledCheck& installed, PageActions& out) {
    for (int row = 1; row <= rows_on_page_ && row <= kListRows; ++row) {
        ListSlot& s = slot_at(row);
        if (s.state == EntryState::Downloading) continue;
        EntryState now =
            installed && installed(s.font_name) ? EntryState::Installed : EntryState::NotInstalled;
        if (now == s.state) continue;
        s.state = now;
        draw_row(row, false, out);
    }
}

bool ListModel::start_download(int row, PageActions& out) {
    if (row < 1 || row > kListRows) return false;
    ListSlot& s = slot_at(row);
    if (s.state != EntryState::NotInstalled) return false;
    // Two transfers of one font would write the same target file at once.
    if (downloading_.count(s.font_name)) return false;
    s.state = EntryState::Downloading;
    downloading_.insert(s.font_name);
    PageAction a = simple(PageAction::Kind::StartDownload, s.font_name);
    a.address = s.address;
    a.row = row;
    out.push_back(std::move(a));
    return true;
}

void ListModel::download_progress(const std::string& font_name, int percentage) {
    for (ListSlot& s : slots_)
        if (s.font_name == font_name) s.percentage = percentage;
}

bool ListModel::download_finished(const std::string& font_name, EntryState result,
                                  PageActions& out) {
    downloading_.erase(font_name);
    bool listed = false;
    for (int row = 1; row <= kListRows; ++row) {
        ListSlot& s = slot_at(row);
        if (s.font_name != font_name) continue;
        listed = true;
        s.state = result;
        draw_row(row, false, out);
    }
    return listed;
}

}  // namespace yq
