#include "update/win/catalogue_update.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <optional>
#include <thread>

#include "base/bytes.h"
#include "base/file_names.h"
#include "base/worker_guard.h"
#include "catalogue/catalogue_db.h"
#include "download/win/font_transfer.h"
#include "platform/win/dialogs.h"
#include "platform/win/handles.h"
#include "platform/win/settings.h"
#include "platform/win/shell.h"
#include "platform/win/ui_thread.h"
#include "platform/zt/zt_container.h"
#include "skin/win/status_line.h"
#include "update/update_model.h"
#include "update/win/http_get.h"

namespace yq {
namespace {

// The packed catalogue as downloaded, and the database unpacked from it:
// a catalogue of 10,000 fonts with pictures is about 40 MB. Both live on
// disk only; the unpack holds kZtStreamMemoryBytes whatever they are.
constexpr int64_t kMaxPackedBytes = int64_t{256} << 20;
constexpr uint64_t kMaxDatabaseBytes = uint64_t{256} << 20;
constexpr char kVersionKey[] = "bbh";
// The download's file, in the program directory (never the current one,
// where it could truncate a file of the user's).
constexpr char kDownloadFile[] = "\\zt.data";

}  // namespace

struct CatalogueUpdate::State {
    std::string server, home_page, folder;
    UpdateHooks hooks;
    StatusLine* line = nullptr;  // the frame's, which outlives the update
    // UI thread only.
    StatusTexts status;
    std::string server_version;                // the last answer to /ztpz.txt, as text
    std::optional<std::string> local_version;  // "bbh" as last read or written
    bool menu_enabled = true;
    bool program_asked = false;
    // Any thread.
    std::atomic<bool> downloading{false};
    std::atomic<bool> program_checked{false};
};

namespace {

using Update = CatalogueUpdate::State;

// "bbh" from pos.ini, nullopt when the key is absent. UI thread.
std::optional<std::string> read_local_version(Update& u) {
    static const char kAbsent[] = "\x01";
    std::string v = read_setting(kSettingsSection, kVersionKey, kAbsent);
    u.local_version = v == kAbsent ? std::nullopt : std::optional<std::string>(v);
    return u.local_version;
}

// Recomposes the status line and draws it in the default colour. UI thread.
void show_status(Update& u) {
    u.line->set_text(u.status.line(), false);
    u.line->draw(0, false);
}

std::string origin_of(const std::string& url) {
    size_t scheme = url.find("://");
    size_t path = url.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    return path == std::string::npos ? url : url.substr(0, path);
}

// The downloaded container unpacked straight into the file `fresh`
// (created or truncated), a window at a time; false, with the reason on
// stderr, when it is refused or a file step fails.
bool unpack_catalogue(const std::string& packed, const std::string& fresh) {
    win::UniqueFile in(CreateFileA(packed.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size;
    if (!in || !GetFileSizeEx(in.get(), &size) || size.QuadPart > kMaxPackedBytes) return false;
    win::UniqueFile out(CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return false;
    const ZtStreamResult r = zt_unpack_stream(
        [&](uint8_t* data, size_t capacity) -> int64_t {
            DWORD got = 0;
            if (!ReadFile(in.get(), data, static_cast<DWORD>(capacity), &got, nullptr)) return -1;
            return got;
        },
        [&](const uint8_t* data, size_t n) {
            DWORD wrote = 0;
            return WriteFile(out.get(), data, static_cast<DWORD>(n), &wrote, nullptr) && wrote == n;
        },
        kMaxDatabaseBytes);
    if (!r.status.ok() || r.written == 0) {
        std::fprintf(stderr, "yanqing: the catalogue update was refused: %s after %llu bytes\n",
                     r.status.ok() ? "unpacked" : r.status.message().c_str(),
                     static_cast<unsigned long long>(r.written));
        return false;
    }
    return FlushFileBuffers(out.get()) != 0;
}

// Whether the file is a catalogue the catalogue page can show: the reader
// opens it and finds the category table "dl".
bool is_readable_catalogue(const std::string& path) {
    CatalogueDb db;
    return db.open(path) && db.open_table("dl").empty();
}

// The install could not be made: the old database and "bbh" stay, and the
// user is told once.
void report_install_failure(Update& u) {
    win::run_on_ui([&u] {
        u.status.connection_note = install_failed_note();
        show_status(u);
        u.menu_enabled = true;
    });
    win::message_box(kUpdateFailedText);
}

// The downloaded "zt.data" unpacked, checked, and put in place of
// ztdata.mdb; "bbh" is written only then. On the download worker, with the
// catalogue closed and reopened on the UI thread, so the catalogue page
// never reads a file being replaced.
void install_catalogue(Update& u, const std::string& version) {
    const std::string database = u.folder + "\\ztdata.mdb";
    const std::string fresh = database + std::string(kPartialSuffix);
    if (!unpack_catalogue(u.folder + kDownloadFile, fresh) || !is_readable_catalogue(fresh)) {
        DeleteFileA(fresh.c_str());
        report_install_failure(u);
        return;
    }
    bool moved = false;
    win::run_on_ui([&] {
        u.status.catalogue_label = installed_label(version);
        u.status.connection_note = kConnectedNote;
        show_status(u);
        if (u.hooks.close_catalogue) u.hooks.close_catalogue();
        moved = MoveFileExA(fresh.c_str(), database.c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        // Only a version of the form the check compares goes into pos.ini;
        // any other stays unrecorded, and the next check offers it again.
        // Whatever happens to the record, the catalogue is opened again.
        if (moved && is_recordable_version(version)) {
            run_guarded(
                "recording the catalogue version",
                [&] {
                    if (write_setting(kSettingsSection, kVersionKey, version))
                        u.local_version = version;
                },
                [] {});
        }
        if (u.hooks.open_catalogue) u.hooks.open_catalogue();
    });
    if (!moved) {
        DeleteFileA(fresh.c_str());
        report_install_failure(u);
        return;
    }
    win::message_box("数据库安装成功,已自动刷新!");
    win::run_on_ui([&u] { u.menu_enabled = true; });
}

// Starts `work` on a detached worker; false when no thread can be made.
bool start_detached(std::function<void()> work) {
    try {
        std::thread(std::move(work)).detach();
        return true;
    } catch (...) {
        return false;
    }
}

// The catalogue download: "/ztysb.data" into "zt.data" (created or
// truncated, no resume), the percentage in the status line, then the
// install when every announced byte arrived. One at a time.
void download_and_install(Update& u, const std::string& version) {
    download::TransferSummary summary;
    int completion_percent = 0, shown_percent = -1;
    auto report = [&](const download::Report& r) {
        if (r.failed) return;
        if (r.kind == download::Report::kCompletion) {
            completion_percent = r.percent;
            return;
        }
        // A report comes every 10240 bytes, thousands for a large catalogue;
        // the line changes only when the percentage does.
        if (r.percent == shown_percent) return;
        const int percent = shown_percent = r.percent;
        win::run_on_ui([&u, percent] {
            u.status.connection_note = download_progress_note(percent);
            show_status(u);
            u.menu_enabled = true;
        });
    };
    const int rc = download::font_transfer({.url = u.server + "/ztysb.data",
                                            .target_path = u.folder + kDownloadFile,
                                            .font_name = "",
                                            .max_bytes = kMaxPackedBytes},
                                           report, &summary);
    if (rc != 0) {
        const std::string step = summary.failed_step ? summary.failed_step : "";
        if (step == download::kNoInternetStep)
            win::message_box("Internet连接错误!");
        else if (step == "open url")
            win::message_box("字库更新出错!!");
        else
            win::message_box(kUpdateFailedText);
        win::run_on_ui([&u] { u.menu_enabled = true; });
    } else if (summary.short_body) {
        // Fewer bytes than announced: the last percentage stays, nothing
        // is installed.
        win::run_on_ui([&u, completion_percent] {
            u.status.connection_note = download_progress_note(completion_percent);
            show_status(u);
            u.menu_enabled = true;
        });
    } else {
        install_catalogue(u, version);
    }
}

// The download worker. A failure escaping it (memory running out above
// all) is an update that could not be made: the old catalogue stays, and
// the user is told so.
void download_catalogue(Update& u, const std::string& version) {
    run_guarded(
        "the catalogue update", [&] { download_and_install(u, version); },
        [&u] {
            const std::string fresh = u.folder + "\\ztdata.mdb" + std::string(kPartialSuffix);
            DeleteFileA(fresh.c_str());
            report_install_failure(u);
        });
    u.downloading.store(false);
}

// The update offer, on the UI thread while the checking worker waits.
void offer_update(Update& u) {
    std::optional<std::string> local = read_local_version(u);
    if (offers_catalogue(local.value_or(""), u.server_version) &&
        win::message_box("服务器上有新的字库版本,是否更新字库?", "更新提示!", MB_YESNO) == IDYES) {
        // One download at a time: a second offer accepted meanwhile starts none.
        if (!u.downloading.exchange(true)) {
            if (!start_detached(
                    [&u, version = u.server_version] { download_catalogue(u, version); })) {
                u.downloading.store(false);
                u.menu_enabled = true;
                win::message_box(kUpdateFailedText);
            }
        }
        return;
    }
    u.menu_enabled = true;
    u.status.catalogue_label =
        latest_version_label(local.value_or(kShownVersionFallback), u.server_version);
    show_status(u);
}

// The prompts for a newer program. UI thread.
void offer_new_program(Update& u) {
    if (win::message_box("发现最新版本 是否下载？", nullptr, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        win::open_in_shell(u.server + "/yanqing.exe");
        if (u.hooks.end_program) u.hooks.end_program();
        return;
    }
    if (win::message_box("是否打开官网？", "您放弃了自动下载", MB_YESNO | MB_ICONQUESTION) ==
        IDYES) {
        win::open_in_shell(u.home_page);
        if (u.hooks.end_program) u.hooks.end_program();
        return;
    }
    win::message_box("当前不为最新版本 可能会导致非法！", nullptr, MB_OK | MB_ICONINFORMATION);
}

}  // namespace

CatalogueUpdate::CatalogueUpdate(std::string server, std::string home_page,
                                 std::string program_folder, StatusLine& status_line,
                                 UpdateHooks hooks)
    : state_(std::make_unique<State>()) {
    Update& u = *state_;
    u.line = &status_line;
    u.server = std::move(server);
    u.home_page = std::move(home_page);
    u.folder = std::move(program_folder);
    u.hooks = std::move(hooks);
    read_local_version(u);
}

CatalogueUpdate::~CatalogueUpdate() = default;

namespace {

void check_catalogue_version_now(Update& u) {
    const HttpAnswer answer = http_get(u.server + "/ztpz.txt");
    const Result<std::string> version =
        catalogue_version_of(answer.fetched, answer.status, answer.body);
    const std::string text = text_of_body(answer.body);
    win::run_on_ui([&] {
        u.server_version = version ? *version : text;
        if (version) {
            u.status.connection_note = kConnectedNote;
        } else {
            u.status.catalogue_label =
                failed_check_label(read_local_version(u).value_or(kFailedVersionFallback));
            u.status.connection_note = kNotConnectedNote;
            u.menu_enabled = true;
        }
        show_status(u);
    });
    if (version) win::run_on_ui([&u] { offer_update(u); });
}

// A check that could not be made says so as a failed one does.
void report_failed_check(Update& u) {
    win::run_on_ui([&u] {
        u.status.catalogue_label =
            failed_check_label(read_local_version(u).value_or(kFailedVersionFallback));
        u.status.connection_note = kNotConnectedNote;
        u.menu_enabled = true;
        show_status(u);
    });
}

}  // namespace

void CatalogueUpdate::check_catalogue_version() {
    Update& u = *state_;
    run_guarded(
        "the catalogue version check", [&u] { check_catalogue_version_now(u); },
        [&u] { report_failed_check(u); });
}

void CatalogueUpdate::check_from_menu() {
    Update& u = *state_;
    u.menu_enabled = false;
    if (!start_detached([this] { check_catalogue_version(); })) report_failed_check(u);
}

bool CatalogueUpdate::check_enabled() const {
    return state_->menu_enabled;
}

void CatalogueUpdate::check_program_version() {
    Update& u = *state_;
    if (u.program_checked.exchange(true)) return;
    const HttpAnswer answer = http_get(origin_of(u.server) + "/My.txt");
    if (!announces_new_program(answer.fetched, answer.status, answer.body)) return;
    win::run_on_ui([&u] {
        if (u.program_asked) return;
        u.program_asked = true;
        offer_new_program(u);
    });
}

void CatalogueUpdate::status_after_paint() {
    Update& u = *state_;
    u.status.program_label = kProgramVersionText;
    u.status.catalogue_label = u.local_version.value_or(kShownVersionFallback);
    u.line->set_text(u.status.line(), false);
}

}  // namespace yq
