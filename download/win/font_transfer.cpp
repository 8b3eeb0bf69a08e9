#include "download/win/font_transfer.h"

#include <vector>

#include "download/win/internet_handle.h"
#include "platform/win/dialogs.h"

namespace yq::download {
namespace {

using win::UniqueFile;
using win::UniqueInternet;

// INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE:
// always from the server, never into the cache.
constexpr DWORD kOpenUrlFlags = 0x84000100;

void set_timeouts(HINTERNET root) {
    DWORD connect = kConnectTimeoutMs, receive = kReceiveTimeoutMs;
    InternetSetOptionA(root, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    InternetSetOptionA(root, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
    InternetSetOptionA(root, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &receive, sizeof receive);
}

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

// Waits while dispatching this thread's window messages, so that messages
// sent to windows of the thread are not left waiting.
void pump_messages_for(DWORD ms) {
    const DWORD until = GetTickCount() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        const LONG left = static_cast<LONG>(until - GetTickCount());
        if (left <= 0) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
    }
}

}  // namespace

int font_transfer(const std::string& url, const std::string& target_path, ReportFn report,
                  int32_t start_offset, bool resume, const std::string& font_name,
                  TransferSummary* summary) {
    const std::string path = target_path;
    const std::string font = font_name;
    TransferSummary local;
    TransferSummary& sum = summary ? *summary : local;
    sum = {};
    auto send = [&](const Report& r) {
        if (report) report(r);
    };

    DWORD connection = 0;
    InternetGetConnectedState(&connection, 0);
    const DWORD access = (connection & INTERNET_CONNECTION_PROXY)
                             ? INTERNET_OPEN_TYPE_PRECONFIG
                             : INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY;
    UniqueInternet root(
        InternetOpenA(agent_name(GetTickCount()).c_str(), access, nullptr, nullptr, 0));
    if (!root) {
        win::message_box("Internet连接错误!");
        send(Report::failure(font));
        return -1;
    }
    set_timeouts(root.get());
    if (resume && start_offset < 0) {
        send(Report::failure(font));
        return -1;
    }

    const std::string headers = request_headers(resume, start_offset);
    std::vector<char> buf(kReadChunkBytes);
    UniqueInternet request(InternetOpenUrlA(root.get(), url.c_str(), headers.c_str(),
                                            static_cast<DWORD>(headers.size()), kOpenUrlFlags, 0));
    if (!request) {
        send(Report::failure(font));
        return -1;
    }
    sum.http_status = static_cast<int>(query_number(request.get(), HTTP_QUERY_STATUS_CODE));

    // A resumed answer is appended only when it continues the file exactly;
    // a whole file (Range ignored) replaces it, anything else leaves it be.
    bool append = false;
    if (resume) {
        ResumeStep step = decide_resume(
            sum.http_status, query_text(request.get(), HTTP_QUERY_CONTENT_RANGE), start_offset);
        if (step == ResumeStep::kRefuse) {
            send(Report::failure(font));
            return -1;
        }
        append = step == ResumeStep::kAppend;
        sum.restarted = !append;
    }
    UniqueFile file = open_target(path, append, start_offset);
    if (!file) {
        send(Report::failure(font));
        return -1;
    }

    TransferCounter counter(append ? start_offset : 0,
                            query_number(request.get(), HTTP_QUERY_CONTENT_LENGTH));
    sum.announced = counter.announced();
    for (;;) {
        DWORD got = 0;
        bool read_ok = InternetReadFile(request.get(), buf.data(), kReadChunkBytes, &got);
        // A failed write would leave a hole in the font: it fails the transfer.
        if (!read_ok || (got > 0 && !write_all(file.get(), buf.data(), got))) {
            file.reset();
            sum.received = counter.received();
            send(Report::failure(font));
            return -1;
        }
        if (got == 0) break;
        if (std::optional<int> p = counter.add_chunk(got)) send(Report::progress(path, font, *p));
    }
    file.reset();
    request.reset();
    root.reset();
    sum.received = counter.received();
    sum.short_body = counter.short_body();
    send(Report::completion(path, font, counter.completion_percent()));
    pump_messages_for(100);
    return 0;
}

}  // namespace yq::download
