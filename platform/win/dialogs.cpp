#include "platform/win/dialogs.h"

namespace yq::win {

int message_box(const std::string& text, const char* title, UINT buttons) {
    return MessageBoxA(nullptr, text.c_str(), title ? title : "信息：", buttons | MB_TASKMODAL);
}

}  // namespace yq::win
