#include "fonts/win/installed_fonts.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fonts/win/font_primitives.h"
#include "platform/win/handles.h"

namespace yq {
namespace {

// A value name is at most 16,383 characters; font paths are far shorter than
// this, and nothing larger is read.
constexpr size_t kMaxValueNameBytes = size_t{1} << 16;
constexpr size_t kMaxValueDataBytes = size_t{1} << 20;

}  // namespace

FontInventory read_installed_fonts() {
    FontInventory inventory;
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, kFontsKey, &key) != ERROR_SUCCESS) return inventory;
    win::UniqueRegKey owner(key);
    std::vector<char> name(256), data(256);
    for (DWORD index = 0;;) {
        DWORD name_len = static_cast<DWORD>(name.size());
        DWORD data_len = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG rc = RegEnumValueA(key, index, name.data(), &name_len, nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &data_len);
        if (rc == ERROR_MORE_DATA) {
            // Read the same value again with buffers of the key's largest sizes.
            DWORD max_name = 0, max_data = 0;
            RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             &max_name, &max_data, nullptr, nullptr);
            size_t want_name = std::max<size_t>(name.size() * 2, size_t{max_name} + 1);
            size_t want_data = std::max<size_t>(data.size() * 2, size_t{max_data} + 1);
            if (want_name > kMaxValueNameBytes || want_data > kMaxValueDataBytes) {
                ++index;  // a value no font can have: skip it, keep the rest
                continue;
            }
            name.resize(want_name);
            data.resize(want_data);
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        ++index;
        std::string path(data.data(),
                         strnlen(data.data(), std::min<size_t>(data_len, data.size())));
        std::string face = listing_face_name(path);
        inventory.append(std::move(face), std::move(path), std::string(name.data(), name_len));
    }
    return inventory;
}

}  // namespace yq
