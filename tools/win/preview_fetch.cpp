#include "tools/win/preview_fetch.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

#include "base/worker_guard.h"
#include "platform/win/internet_handle.h"

namespace yq {
namespace {

constexpr char kAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
// Always from the server, never into the cache, never a dialog.
constexpr DWORD kOpenUrlFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI;
constexpr DWORD kReadBytes = 16 * 1024;

// What the caller and the worker share; the last of them to let go frees it.
struct Request {
    std::string url;
    DWORD deadline = 0;                  // GetTickCount() at which it is given up
    std::atomic<bool> abandoned{false};  // the caller has stopped waiting
    std::string body;                    // the worker's until `done` is set
    HANDLE done = nullptr;

    ~Request() {
        if (done) CloseHandle(done);
    }
};

// The request last started, until a later call finds it finished. UI thread.
std::shared_ptr<Request>& last_request() {
    static std::shared_ptr<Request> r;
    return r;
}

DWORD time_left(DWORD deadline) {
    const auto left = static_cast<int32_t>(deadline - GetTickCount());
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

bool goes_on(const Request& r) {
    return !r.abandoned.load() && time_left(r.deadline) > 0;
}

// Every wait of the next WinINet step ends with the request's time.
void limit_waits(HINTERNET h, const Request& r) {
    const DWORD ms = std::max<DWORD>(time_left(r.deadline), 1);
    win::set_internet_limits(h, {ms, ms, ms});
}

// The answer's body into r.body; false when a step fails, the time is up,
// the caller has gone, or the body is longer than the cap.
bool receive(Request& r) {
    const DWORD ms = std::max<DWORD>(time_left(r.deadline), 1);
    win::UniqueInternet root =
        win::open_internet_session(kAgent, win::InternetAccess::SystemSettings, {ms, ms, ms});
    if (!root) return false;
    win::UniqueInternet request(
        InternetOpenUrlA(root.get(), r.url.c_str(), nullptr, 0, kOpenUrlFlags, 0));
    if (!request || !goes_on(r)) return false;
    DWORD announced = 0, size = sizeof announced;
    if (HttpQueryInfoA(request.get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                       &announced, &size, nullptr) &&
        announced > kMaxPreviewBodyBytes)
        return false;
    std::vector<char> buffer(kReadBytes);
    for (;;) {
        limit_waits(request.get(), r);
        // Asking what has arrived and reading just that returns at once; a
        // plain read would wait for its whole buffer.
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request.get(), &available, 0, 0) || !goes_on(r))
            return false;
        if (available == 0) return true;  // the end of the body
        DWORD got = 0;
        if (!InternetReadFile(request.get(), buffer.data(), std::min(available, kReadBytes), &got))
            return false;
        if (got == 0) return true;
        if (got > kMaxPreviewBodyBytes - r.body.size()) return false;
        r.body.append(buffer.data(), got);
        if (!goes_on(r)) return false;
    }
}

DWORD WINAPI preview_worker(void* arg) {
    std::unique_ptr<std::shared_ptr<Request>> handed(static_cast<std::shared_ptr<Request>*>(arg));
    Request& r = **handed;
    // Any failure, memory running out among them, is a preview that could
    // not be read.
    run_guarded(
        "the text preview",
        [&] {
            if (!receive(r)) std::string().swap(r.body);
        },
        [&] { std::string().swap(r.body); });
    SetEvent(r.done);
    return 0;
}

// Waits for `event` until `deadline`, answering the hand-overs of other
// workers and repainting meanwhile, so the window never looks hung; input
// waits, as for a synchronous request.
bool wait_until(HANDLE event, DWORD deadline) {
    for (;;) {
        const DWORD left = time_left(deadline);
        const DWORD r =
            MsgWaitForMultipleObjects(1, &event, FALSE, left, QS_SENDMESSAGE | QS_PAINT);
        if (r == WAIT_OBJECT_0) return true;
        if (r != WAIT_OBJECT_0 + 1 || time_left(deadline) == 0) return false;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        while (PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE | PM_QS_PAINT))
            DispatchMessageA(&msg);
    }
}

std::string fetch(const std::string& url, unsigned timeout_ms) {
    const DWORD deadline = GetTickCount() + timeout_ms;
    std::shared_ptr<Request>& last = last_request();
    if (last) {
        if (!wait_until(last->done, deadline)) return "";  // still running: none of our own
        last.reset();
    }
    auto r = std::make_shared<Request>();
    r->url = url;
    r->deadline = deadline;
    r->done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!r->done) return "";
    auto handed = std::make_unique<std::shared_ptr<Request>>(r);
    HANDLE thread = CreateThread(nullptr, 0, preview_worker, handed.get(), 0, nullptr);
    if (!thread) return "";
    handed.release();
    CloseHandle(thread);
    last = r;
    if (!wait_until(r->done, deadline)) {
        r->abandoned.store(true);
        return "";
    }
    last.reset();
    return std::move(r->body);
}

}  // namespace

std::string fetch_preview(const std::string& url, unsigned timeout_ms) {
    // On the UI thread: nothing may escape into the click's window procedure.
    try {
        return fetch(url, timeout_ms);
    } catch (...) {
        return "";
    }
}

}  // namespace yq
