#include "update/win/http_get.h"

#include <windows.h>
#include <wininet.h>

#include <mutex>
#include <vector>

#include "platform/win/internet_handle.h"
#include "update/update_model.h"

namespace yq {
namespace {

constexpr char kAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;  // 0x84000000

// The process's one internet handle, kept until the process ends.
HINTERNET internet() {
    static std::once_flag once;
    static HINTERNET handle = nullptr;
    std::call_once(once, [] {
        handle = win::open_internet_session(kAgent, win::InternetAccess::Direct,
                                            {kHttpConnectTimeoutMs, kHttpReceiveTimeoutMs})
                     .release();
    });
    return handle;
}

std::string header_text(HINTERNET request, DWORD what) {
    char buf[64];
    DWORD size = sizeof buf - 1;
    if (!HttpQueryInfoA(request, what, buf, &size, nullptr)) return "";
    return std::string(buf, size);
}

}  // namespace

HttpAnswer http_get(const std::string& url) {
    HttpAnswer answer;
    HINTERNET root = internet();
    if (!root) return answer;
    // The URL's parts; the buffers hold what a version address can be.
    char host[256] = "", user[128] = "", password[128] = "", path[2048] = "";
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUserName = user;
    parts.dwUserNameLength = sizeof user;
    parts.lpszPassword = password;
    parts.dwPasswordLength = sizeof password;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof path;
    if (!InternetCrackUrlA(url.c_str(), 0, 0, &parts)) return answer;
    win::UniqueInternet connection(
        InternetConnectA(root, host, parts.nPort, user, password, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return answer;
    const char* accept[] = {"Accept: */* \r\n", nullptr};
    win::UniqueInternet request(HttpOpenRequestA(connection.get(), "GET", path, "HTTP/1.0", nullptr,
                                                 accept, kRequestFlags, 0));
    if (!request) return answer;
    static const char kExtraHeaders[] = "Accept: */*\r\n\r\n";
    if (!HttpSendRequestA(request.get(), kExtraHeaders, sizeof kExtraHeaders - 1, nullptr, 0))
        return answer;
    DWORD status = 0, size = sizeof status;
    if (HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                       &size, nullptr)) {
        answer.status = static_cast<int>(status);
    }
    std::vector<char> buffer(read_size_for(header_text(request.get(), HTTP_QUERY_CONTENT_LENGTH)));
    std::string body;
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request.get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                              &got)) {
            return answer;
        }
        if (got == 0) break;
        if (body.size() + got > kMaxTextBodyBytes) return answer;
        body.append(buffer.data(), got);
    }
    answer.fetched = true;
    answer.body = std::move(body);
    return answer;
}

}  // namespace yq
