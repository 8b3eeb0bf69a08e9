#include "download/win/font_transfer.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "base/worker_guard.h"
#include "platform/win/internet_handle.h"

namespace yq::download {
namespace {

using win::UniqueFile;
using win::UniqueInternet;

// INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE:
// always from the server, never into the cache.
constexpr DWORD kOpenUrlFlags = 0x84000100;

// Reads start at one report chunk and double while they fill at once, up to
// kMaxReadBytes, and fall back to one chunk when one waits long. A synchronous read
// waits until its buffer is full, so small reads keep reports coming on a
// slow link; on a fast one, each InternetReadFile call costs (under Wine) as
// much as copying tens of kilobytes, and 10 KB reads would cap a transfer at
// a third of what the link gives.
constexpr size_t kMaxReadBytes = 256 * 1024;
constexpr DWORD kFastReadMs = 50;
constexpr DWORD kSlowReadMs = 250;

// A numeric header of the answer, or 0 when absent.
DWORD query_number(HINTERNET request, DWORD what) {
    DWORD value = 0, size = sizeof value;
    if (!HttpQueryInfoA(request, what | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr)) return 0;
    return value;
}

std::string query_text(HINTERNET request, DWORD what) {
    char buf[256];
    DWORD size = sizeof buf;
    if (!HttpQueryInfoA(request, what, buf, &size, nullptr) || size >= sizeof buf) return {};
    return std::string(buf, size);
}

// Opens the target for writing from its start, or, for an append, keeps its
// first `keep` bytes and places the file pointer after them. A file shorter
// than `keep` cannot be continued: appending would leave a gap.
UniqueFile open_target(const std::string& path, bool append, int32_t keep) {
    if (!append)
        return UniqueFile(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    UniqueFile f(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             keep == 0 ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
    if (!f) return f;
    LARGE_INTEGER size{}, at{};
    at.QuadPart = keep;
    if (!GetFileSizeEx(f.get(), &size) || size.QuadPart < keep ||
        !SetFilePointerEx(f.get(), at, nullptr, FILE_BEGIN) || !SetEndOfFile(f.get()))
        return {};
    return f;
}

bool write_all(HANDLE file, const char* data, DWORD n) {
    DWORD written = 0;
    return WriteFile(file, data, n, &written, nullptr) && written == n;
}

// Writes filled buffers to the file on a thread of its own, in order, so
// that the disk write of one read overlaps the next read (under Wine the
// two cost about the same). At most kQueuedBuffers wait; the reader blocks
// beyond that. After a failed write nothing more is written and put() and
// finish() return false.
class FileWriter {
  public:
    static constexpr size_t kQueuedBuffers = 4;

    explicit FileWriter(HANDLE file) : file_(file), thread_([this] { guarded_run(); }) {}
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;
    ~FileWriter() { finish(); }

    // A buffer for the next read: a recycled one, or a new one.
    std::vector<char> take_buffer(size_t size) {
        std::vector<char> b;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!free_.empty()) {
                b = std::move(free_.back());
                free_.pop_back();
            }
        }
        b.resize(size);
        return b;
    }

    // Queues the first n bytes of b for writing.
    bool put(std::vector<char> b, size_t n) {
        b.resize(n);
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return queue_.size() < kQueuedBuffers || failed_; });
        if (failed_) return false;
        queue_.push_back(std::move(b));
        changed_.notify_all();
        return true;
    }

    // Waits until everything queued is written and ends the thread.
    bool finish() {
        if (thread_.joinable()) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                closing_ = true;
                changed_.notify_all();
            }
            thread_.join();
        }
        return !failed_;
    }

  private:
    // A failure on the writing thread (memory running out above all) is a
    // failed write: nothing more is written.
    void guarded_run() {
        run_guarded(
            "a file write", [this] { run(); }, [this] { give_up(); });
    }

    void give_up() {
        std::lock_guard<std::mutex> lock(mutex_);
        failed_ = true;
        queue_.clear();
        changed_.notify_all();
    }

    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return !queue_.empty() || closing_; });
            if (queue_.empty()) return;
            std::vector<char> b = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            bool ok = write_all(file_, b.data(), static_cast<DWORD>(b.size()));
            lock.lock();
            if (!ok) {
                failed_ = true;
                queue_.clear();
            }
            free_.push_back(std::move(b));
            changed_.notify_all();
        }
    }

    HANDLE file_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<char>> queue_;
    std::vector<std::vector<char>> free_;
    bool closing_ = false;
    bool failed_ = false;
    std::thread thread_;  // last: starts once the members above exist
};

}  // namespace

int font_transfer(const TransferRequest& what, ReportFn report, TransferSummary* summary) {
    const std::string& url = what.url;
    const std::string& path = what.target_path;
    const std::string& font = what.font_name;
    const int32_t start_offset = what.start_offset;
    const bool resume = what.resume;
    const int64_t max_bytes = what.max_bytes;
    TransferSummary local;
    TransferSummary& sum = summary ? *summary : local;
    sum = {};
    auto send = [&](const Report& r) {
        if (report) report(r);
    };
    auto fail = [&](const char* step) {
        sum.failed_step = step;
        sum.error = GetLastError();
        send(Report::failure(font));
        return -1;
    };

    UniqueInternet root =
        win::open_internet_session(agent_name(GetTickCount()), win::InternetAccess::SystemSettings,
                                   {kConnectTimeoutMs, kReceiveTimeoutMs});
    if (!root) return fail(kNoInternetStep);
    if (resume && start_offset < 0) return fail("resume offset");

    const std::string headers = request_headers(resume, start_offset);
    UniqueInternet request(InternetOpenUrlA(root.get(), url.c_str(), headers.c_str(),
                                            static_cast<DWORD>(headers.size()), kOpenUrlFlags, 0));
    if (!request) return fail("open url");
    sum.http_status = static_cast<int>(query_number(request.get(), HTTP_QUERY_STATUS_CODE));

    // A resumed answer is appended only when it continues the file exactly;
    // a whole file (Range ignored) replaces it, anything else leaves it be.
    bool append = false;
    if (resume) {
        ResumeStep step = decide_resume(
            sum.http_status, query_text(request.get(), HTTP_QUERY_CONTENT_RANGE), start_offset);
        if (step == ResumeStep::kRefuse) return fail("resume answer");
        append = step == ResumeStep::kAppend;
        sum.restarted = !append;
    }
    // A length beyond the limit is refused before the file is touched.
    const int64_t kept = append ? start_offset : 0;
    TransferCounter counter(kept, query_number(request.get(), HTTP_QUERY_CONTENT_LENGTH));
    sum.announced = counter.announced();
    const int64_t limit = download_limit(kept, counter.announced(), max_bytes);
    if (counter.announced() > 0 && kept + int64_t(counter.announced()) > limit) {
        sum.too_long = true;
        return fail("announced length");
    }
    UniqueFile file = open_target(path, append, start_offset);
    if (!file) return fail("open target file");
    auto progress = [&](int percent) { send(Report::progress(path, font, percent)); };
    FileWriter writer(file.get());
    auto fail_reading = [&](const char* step) {
        DWORD error = GetLastError();
        writer.finish();
        file.reset();
        sum.received = counter.received();
        SetLastError(error);
        return fail(step);
    };
    size_t want = kReadChunkBytes;
    for (;;) {
        std::vector<char> buf = writer.take_buffer(want);
        DWORD got = 0;
        const DWORD started = GetTickCount();
        if (!InternetReadFile(request.get(), buf.data(), static_cast<DWORD>(want), &got))
            return fail_reading("read");
        const DWORD took = GetTickCount() - started;
        if (got == 0) break;
        if (counter.received() + int64_t(got) > limit) {
            sum.too_long = true;
            return fail_reading("body too long");
        }
        // A failed write would leave a hole in the font: it fails the transfer.
        if (!writer.put(std::move(buf), got)) return fail_reading("write");
        counter.add(got, progress);
        if (got == want && took < kFastReadMs)
            want = std::min(want * 2, kMaxReadBytes);
        else if (took > kSlowReadMs)
            want = kReadChunkBytes;
    }
    if (!writer.finish()) return fail_reading("write");
    counter.end(progress);
    file.reset();
    request.reset();
    root.reset();
    sum.received = counter.received();
    sum.short_body = counter.short_body();
    // A worker owns no window, so there are no messages to dispatch here.
    send(Report::completion(path, font, counter.completion_percent()));
    return 0;
}

}  // namespace yq::download
