#include "download/win/download_manager.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "base/text.h"
#include "base/worker_guard.h"
#include "download/download_model.h"
#include "download/win/font_transfer.h"
#include "fonts/font_report.h"
#include "fonts/win/font_primitives.h"
#include "fonts/win/inventory.h"
#include "platform/win/dialogs.h"
#include "platform/win/files.h"
#include "platform/win/ui_thread.h"

namespace yq {
namespace {

constexpr char kServerFailed[] = "服务器连接失败";
constexpr char kDataError[] = "数据下载错误";

// What a worker needs, handed to it as its own argument. The manager it
// reports through lives as long as the main window, which outlives every
// download.
struct Job {
    std::string font_name, url;
    std::string target;        // the font's file in the download folder
    std::string partial;       // where the transfer writes until all checks pass
    std::string install_name;  // its file name in the Fonts folder
    const DownloadHooks* hooks;
    std::mutex* lock;  // the manager's download lock
};

Bytes read_file(const std::string& path) {
    Bytes bytes;
    win::read_small_file(path, bytes, static_cast<size_t>(download::kMaxDownloadBytes));
    return bytes;
}

bool write_file(const std::string& path, const Bytes& bytes) {
    return win::write_file_replacing(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void show_on_ui(const std::string& text) {
    win::run_on_ui([&text] { win::message_box(text.c_str()); });
}

void finish_rows(const Job& job, bool installed) {
    win::run_on_ui([&] {
        if (job.hooks->finished) job.hooks->finished(job.font_name, installed);
    });
}

// A download that did not end in an install: its partial file goes, the
// rows go back to 安装, and the message is shown once the lock is left (a
// waiting box must not hold up the other downloads).
void refuse(const Job& job, std::unique_lock<std::mutex>& lock, const std::string& message) {
    DeleteFileA(job.partial.c_str());
    finish_rows(job, false);
    lock.unlock();
    show_on_ui(message);
}

// A completed transfer: the file must be a container that unpacks, and the
// unpacked font must install, or the download failed. Only then does the
// font replace the download folder's copy, so an error page, a cut body or
// a refused install never touches an earlier good copy, and leaves nothing.
void complete(const Job& job, const download::TransferSummary& summary) {
    std::unique_lock<std::mutex> lock(*job.lock);
    download::CheckedDownload checked =
        download::check_downloaded_file(read_file(job.partial), summary);
    if (!checked.ok()) {
        std::fprintf(stderr, "yanqing: download of %s refused: %s (HTTP %d, %lld of %u bytes)\n",
                     job.url.c_str(), download::to_string(checked.verdict), summary.http_status,
                     static_cast<long long>(summary.received), summary.announced);
        // A body cut before its announced length is a broken connection (on
        // Windows the read fails; under Wine it looks like the end of the body).
        return refuse(
            job, lock,
            checked.verdict == download::DownloadVerdict::kShortBody ? kServerFailed : kDataError);
    }
    std::string file_name = job.install_name;
    if (!write_file(job.partial, checked.font)) return refuse(job, lock, kDataError);
    const InstallResult installed = install_font(job.partial, file_name);
    if (installed.status == InstallStatus::FaceTaken) {
        // Another font answers to this face: nothing of it is touched, and
        // the user is told why the font was not installed.
        std::fprintf(stderr, "yanqing: %s not installed: face %s is %s's\n", job.font_name.c_str(),
                     installed.face.c_str(), installed.taken_by.c_str());
        return refuse(job, lock, face_taken_message(installed.face));
    }
    if (!installed.ok()) {
        std::fprintf(stderr, "yanqing: %s was not installed as %s\n", job.font_name.c_str(),
                     job.install_name.c_str());
        return refuse(job, lock, kDataError);
    }
    if (!MoveFileExA(job.partial.c_str(), job.target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(job.partial.c_str());  // installed all the same; the old copy stays
    }
    // The font is installed even when its row has left the page: the user
    // asked for it, and the row shows it the next time it is drawn.
    const DownloadHooks& hooks = *job.hooks;
    rebuild_inventory([&] {
        if (hooks.finished) hooks.finished(job.font_name, true);
        if (hooks.fonts_changed) hooks.fonts_changed();
    });
    lock.unlock();
    broadcast_font_change();
}

DWORD download(const std::unique_ptr<Job>& job) {
    download::TransferSummary summary;
    bool failed = false;
    download::font_transfer(
        {.url = job->url, .target_path = job->partial, .font_name = job->font_name},
        [&](const download::Report& r) {
            if (r.failed) {
                failed = true;
                return;
            }
            if (r.kind == download::Report::kProgress) {
                std::lock_guard<std::mutex> lock(*job->lock);
                int percent = r.percent;
                win::run_on_ui([&] {
                    if (job->hooks->progress) job->hooks->progress(job->font_name, percent);
                });
            }
        },
        &summary);
    if (failed) {
        std::fprintf(stderr, "yanqing: download of %s failed at %s (error %lu)\n", job->url.c_str(),
                     summary.failed_step ? summary.failed_step : "?", summary.error);
        if (summary.failed_step &&
            std::string_view(summary.failed_step) == download::kNoInternetStep)
            show_on_ui("Internet连接错误!");
        std::unique_lock<std::mutex> lock(*job->lock);
        // A body longer than any font is the server's fault, not the link's.
        refuse(*job, lock, summary.too_long ? kDataError : kServerFailed);
    } else {
        complete(*job, summary);
    }
    return 0;
}

// A failure escaping a download (memory running out above all) fails it as
// bad data does: the partial file goes, the rows go back, the box says so.
DWORD WINAPI download_worker(void* arg) {
    std::unique_ptr<Job> job(static_cast<Job*>(arg));
    auto failed = [&] {
        std::unique_lock<std::mutex> lock(*job->lock);
        refuse(*job, lock, kDataError);
    };
    const bool done = run_guarded(
        "a download", [&] { download(job); }, failed);
    return done ? 0 : 1;
}

}  // namespace

DownloadManager::DownloadManager(std::string server_url, std::string download_folder,
                                 DownloadHooks hooks)
    : server_url_(std::move(server_url)),
      folder_(std::move(download_folder)),
      hooks_(std::move(hooks)) {}

void DownloadManager::start(int row, const std::string& font_name, const std::string& address) {
    std::string target = download::target_path(folder_, font_name);
    std::string install_name = download::install_file_name(font_name);
    if (target.empty() || install_name.empty()) {
        // A name that cannot be a file in the download folder or the Fonts
        // folder is never used.
        if (hooks_.finished) hooks_.finished(font_name, false);
        win::message_box(kDataError);
        return;
    }
    win::ensure_folder(folder_);  // made again if it went while the program ran
    auto* job = new Job{font_name,    download::download_url(server_url_, address),
                        target,       download::partial_path(target),
                        install_name, &hooks_,
                        &lock_};
    HANDLE thread = CreateThread(nullptr, 0, download_worker, job, 0, nullptr);
    if (!thread) {
        delete job;
        if (hooks_.finished) hooks_.finished(font_name, false);
        win::message_box(kServerFailed);
        return;
    }
    CloseHandle(thread);
}

}  // namespace yq
