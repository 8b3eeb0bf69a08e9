// A .zip pack of fonts dropped on the window beside the same number of
// loose font files installed one by one, and how well the UI thread keeps
// up with its messages while the pack installs. One side per process; drop.sh
// runs the sides in turn on distinct font sets and sums them up.
//
// usage: bench_fonts_drop loose DIR COUNT        installs every .ttf of DIR
//                                                by a loop of install_font
//        bench_fonts_drop pack ZIP WORKDIR COUNT install_dropped_files of the
//                                                pack on a worker, while this
//                                                thread runs the message loop
// Either fails (exit 1) unless exactly COUNT fonts were newly installed.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/text.h"
#include "fonts/drop_model.h"
#include "fonts/win/font_drop.h"
#include "fonts/win/font_primitives.h"
#include "platform/win/ui_thread.h"
#include "platform/zip/zip_reader.h"
#include "tests/support/clock.h"

namespace {

constexpr DWORD kTickMs = 10;
constexpr UINT kTickMessage = WM_APP + 1;  // lParam: the time it was posted, in microseconds
constexpr UINT kDoneMessage = WM_APP + 2;
// The message loop alone, before the drop starts: the ticks' own jitter.
constexpr double kIdleMs = 300;

std::string with_separator(std::string folder) {
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

int run_loose(const std::string& dir, int count) {
    const std::string folder = with_separator(dir);
    const double t0 = yq::test::now_ms();
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*.ttf").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do names.push_back(found.cFileName);
        while (FindNextFileA(find, &found));
        FindClose(find);
    }
    int installed = 0, other = 0;
    for (const std::string& name : names) {
        std::string file_name;
        const yq::InstallResult result = yq::install_font(folder + name, file_name);
        if (result.status == yq::InstallStatus::Installed) {
            ++installed;
        } else if (++other <= 3) {
            std::fprintf(stderr, "drop bench: %s not installed (status %d)\n", name.c_str(),
                         static_cast<int>(result.status));
        }
    }
    const double ms = yq::test::now_ms() - t0;
    std::printf("  loose  %4d files %9.1f ms   %d installed, %d not\n",
                static_cast<int>(names.size()), ms, installed, other);
    return installed == count && other == 0 ? 0 : 1;
}

// Posts a tick to the UI thread every kTickMs until told to stop, on a
// deadline of its own so that a late wake-up does not shift the ticks after it.
struct Ticker {
    DWORD ui_thread = 0;
    std::atomic<bool> stop{false};

    static DWORD WINAPI run(void* arg) {
        auto* self = static_cast<Ticker*>(arg);
        double next = yq::test::now_ms();
        while (!self->stop) {
            const double now = yq::test::now_ms();
            PostThreadMessageA(self->ui_thread, kTickMessage, 0, static_cast<LPARAM>(now * 1000.0));
            next += kTickMs;
            const double wait = next - yq::test::now_ms();
            if (wait > 0) Sleep(static_cast<DWORD>(wait + 0.5));
        }
        return 0;
    }
};

// What the UI thread saw of the ticks: the longest wait between two handled
// ticks, and the longest a tick waited from its post to being handled.
struct TickStats {
    int ticks = 0;
    double last = 0, max_gap = 0, max_late = 0;

    void handled(LPARAM posted_us) {
        const double now = yq::test::now_ms();
        if (ticks++ > 0) max_gap = std::max(max_gap, now - last);
        max_late = std::max(max_late, now - static_cast<double>(posted_us) / 1000.0);
        last = now;
    }
};

// The pack read from its file piece by piece, as the drop reads it.
class PackFile final : public yq::zip::Source {
  public:
    explicit PackFile(const std::string& path)
        : file_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {
        LARGE_INTEGER size{};
        if (file_ != INVALID_HANDLE_VALUE && GetFileSizeEx(file_, &size)) size_ = size.QuadPart;
    }
    ~PackFile() override {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    }
    uint64_t size() const override { return size_; }
    bool read(uint64_t offset, size_t n, uint8_t* out) override {
        if (offset > size_ || n > size_ - offset) return false;
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        DWORD got = 0;
        return SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) &&
               ReadFile(file_, out, static_cast<DWORD>(n), &got, nullptr) && got == n;
    }

  private:
    HANDLE file_;
    uint64_t size_ = 0;
};

// The drop's unpacking without its installs: every readable entry written
// to one file of the work folder and deleted again. Its time beside the
// pack's shows what the installs themselves cost. -1 when the pack is not read.
int unpack_alone(const std::string& zip, const std::string& work_folder, double& ms) {
    const double t0 = yq::test::now_ms();
    PackFile source(zip);
    yq::Result<std::vector<yq::zip::Entry>> entries =
        yq::zip::list_zip(source, yq::kMaxPackedFontBytes);
    if (!entries.ok()) return -1;
    const std::string target = work_folder + "bench-unpacked.tmp";
    int unpacked = 0;
    for (const yq::zip::Entry& entry : *entries) {
        if (entry.state != yq::zip::EntryState::Readable) continue;
        HANDLE out = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (out == INVALID_HANDLE_VALUE) return -1;
        const yq::Status status = yq::zip::extract_zip(source, entry, [&](yq::ByteSpan piece) {
            DWORD written = 0;
            return WriteFile(out, piece.data(), static_cast<DWORD>(piece.size()), &written,
                             nullptr) &&
                   written == piece.size();
        });
        CloseHandle(out);
        DeleteFileA(target.c_str());
        if (status.ok()) ++unpacked;
    }
    ms = yq::test::now_ms() - t0;
    return unpacked;
}

struct DropWork {
    DWORD ui_thread = 0;
    yq::win::DroppedFiles files;
    std::string work_folder;
    int progress_texts = 0;  // touched on the UI thread only
    yq::DropOutcome outcome;
    double ms = 0;

    static DWORD WINAPI run(void* arg) {
        auto* self = static_cast<DropWork*>(arg);
        const double t0 = yq::test::now_ms();
        self->outcome = yq::install_dropped_files(
            self->files, self->work_folder, [self](const std::string&) { ++self->progress_texts; });
        self->ms = yq::test::now_ms() - t0;
        PostThreadMessageA(self->ui_thread, kDoneMessage, 0, 0);
        return 0;
    }
};

int run_pack(const std::string& zip, const std::string& work_folder, int count) {
    yq::win::init_ui_thread();
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, before any post

    Ticker ticker;
    ticker.ui_thread = GetCurrentThreadId();
    HANDLE ticks = CreateThread(nullptr, 0, Ticker::run, &ticker, 0, nullptr);
    DropWork work;
    work.ui_thread = ticker.ui_thread;
    work.files.paths = {zip};
    work.work_folder = with_separator(work_folder);
    HANDLE worker = nullptr;

    TickStats idle, busy;
    const double idle_end = yq::test::now_ms() + kIdleMs;
    bool done = false;
    while (!done && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == kTickMessage) {
            if (!worker) {
                idle.handled(msg.lParam);
                if (yq::test::now_ms() >= idle_end) {
                    worker = CreateThread(nullptr, 0, DropWork::run, &work, 0, nullptr);
                    if (!worker) return 1;
                }
            } else {
                busy.handled(msg.lParam);
            }
        } else if (msg.message == kDoneMessage) {
            done = true;
        } else {
            DispatchMessageA(&msg);
        }
    }
    ticker.stop = true;
    WaitForSingleObject(ticks, INFINITE);
    WaitForSingleObject(worker, INFINITE);
    CloseHandle(ticks);
    CloseHandle(worker);

    double unpack_ms = 0;
    const int unpacked = unpack_alone(zip, work.work_folder, unpack_ms);

    const yq::DropOutcome& o = work.outcome;
    std::printf("  pack   %4d fonts %9.1f ms   %d installed, %d already, %d refused\n", count,
                work.ms, o.installed, o.already_installed, static_cast<int>(o.refused.size()));
    std::printf(
        "         UI thread: %d ticks, max gap %.1f ms, max wait %.1f ms,"
        " %d progress texts (idle: max gap %.1f ms)\n",
        busy.ticks, busy.max_gap, busy.max_late, work.progress_texts, idle.max_gap);
    std::printf("         unpacking alone: %d entries %.1f ms\n", unpacked, unpack_ms);
    for (size_t i = 0; i < o.refused.size() && i < 3; ++i)
        std::fprintf(stderr, "drop bench: refused %s: %s\n",
                     yq::gbk_to_utf8(o.refused[i].name).c_str(),
                     yq::gbk_to_utf8(o.refused[i].why).c_str());
    return o.installed == count && o.already_installed == 0 && o.refused.empty() &&
                   unpacked == count
               ? 0
               : 1;
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc == 4 && !std::strcmp(argv[1], "loose")) return run_loose(argv[2], std::atoi(argv[3]));
    if (argc == 5 && !std::strcmp(argv[1], "pack"))
        return run_pack(argv[2], argv[3], std::atoi(argv[4]));
    std::fprintf(stderr, "usage: bench_fonts_drop loose DIR COUNT | pack ZIP WORKDIR COUNT\n");
    return 2;
}
