#include "platform/win/internet_handle.h"

namespace yq::win {

void set_internet_limits(HINTERNET handle, const InternetLimits& limits) {
    auto set = [handle](DWORD option, DWORD ms) {
        if (ms) InternetSetOptionA(handle, option, &ms, sizeof ms);
    };
    set(INTERNET_OPTION_CONNECT_TIMEOUT, limits.connect_ms);
    set(INTERNET_OPTION_RECEIVE_TIMEOUT, limits.receive_ms);
    set(INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, limits.receive_ms);
    set(INTERNET_OPTION_SEND_TIMEOUT, limits.send_ms);
}

UniqueInternet open_internet_session(const std::string& agent, InternetAccess access,
                                     const InternetLimits& limits) {
    DWORD type = INTERNET_OPEN_TYPE_DIRECT;
    if (access == InternetAccess::SystemSettings) {
        DWORD connection = 0;
        InternetGetConnectedState(&connection, 0);
        type = (connection & INTERNET_CONNECTION_PROXY)
                   ? INTERNET_OPEN_TYPE_PRECONFIG
                   : INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY;
    }
    UniqueInternet session(InternetOpenA(agent.c_str(), type, nullptr, nullptr, 0));
    if (session) set_internet_limits(session.get(), limits);
    return session;
}

}  // namespace yq::win
