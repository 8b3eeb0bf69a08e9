#include "fonts/win/installed_fonts.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/parallel.h"
#include "fonts/win/face_names.h"
#include "fonts/win/font_primitives.h"
#include "platform/win/handles.h"

namespace yq {
namespace {

// A value name is at most 16,383 characters; font paths are far shorter than
// this, and nothing larger is read.
constexpr size_t kMaxValueNameBytes = size_t{1} << 16;
constexpr size_t kMaxValueDataBytes = size_t{1} << 20;

// Below this many values one thread reads them all: starting threads costs
// more than it saves. Registry calls are round trips to the wine server that
// mostly wait, so more threads than cores still help.
constexpr size_t kParallelFrom = 64;
constexpr unsigned kRegistryThreads = 4;

struct KeyValue {
    bool present = false;
    std::string name;
    std::string data;  // bytes up to the first NUL
};

// Reads the value at `index` into `out`, growing the buffers as the value
// needs. False at the end of the key. A value too long for any font is
// skipped: true with `out.present` false.
bool read_font_value(HKEY key, DWORD index, std::vector<char>& name, std::vector<char>& data,
                     KeyValue& out) {
    for (;;) {
        DWORD name_len = static_cast<DWORD>(name.size());
        DWORD data_len = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG rc = RegEnumValueA(key, index, name.data(), &name_len, nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &data_len);
        if (rc == ERROR_MORE_DATA) {
            if (name.size() >= kMaxValueNameBytes && data.size() >= kMaxValueDataBytes) return true;
            name.resize(std::min(name.size() * 2, kMaxValueNameBytes));
            data.resize(std::min(data.size() * 2, kMaxValueDataBytes));
            continue;
        }
        if (rc != ERROR_SUCCESS) return false;
        out.present = true;
        out.name.assign(name.data(), name_len);
        out.data.assign(data.data(), strnlen(data.data(), std::min<size_t>(data_len, data.size())));
        return true;
    }
}

// Every value of each key in enumeration order, one list per key. The
// values counted at the start are read on several threads, each by its key
// and index, the keys' values all in one pool (a second pool for the
// user's key would cost its start and its slowest thread again); values
// added meanwhile are picked up after them.
std::vector<std::vector<KeyValue>> read_font_values(const std::vector<HKEY>& keys) {
    std::vector<std::vector<KeyValue>> values(keys.size());
    std::vector<std::pair<size_t, DWORD>> slots;  // (key, index)
    size_t name_bytes = 256, data_bytes = 256;
    for (size_t k = 0; k < keys.size(); ++k) {
        DWORD count = 0, max_name = 0, max_data = 0;
        if (RegQueryInfoKeyA(keys[k], nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                             &max_name, &max_data, nullptr, nullptr) != ERROR_SUCCESS) {
            count = max_name = max_data = 0;
        }
        // Names are counted in characters, and a character can take two bytes.
        name_bytes = std::max(
            name_bytes, std::clamp<size_t>(size_t{max_name} * 2 + 2, 256, kMaxValueNameBytes));
        data_bytes =
            std::max(data_bytes, std::clamp<size_t>(size_t{max_data} + 2, 256, kMaxValueDataBytes));
        values[k].resize(count);
        for (DWORD i = 0; i < count; ++i) slots.emplace_back(k, i);
    }
    parallel_for(slots.size(), slots.size() >= kParallelFrom ? kRegistryThreads : 1, [&](size_t s) {
        std::vector<char> name(name_bytes), data(data_bytes);
        auto [k, i] = slots[s];
        read_font_value(keys[k], i, name, data, values[k][i]);
    });
    std::vector<char> name(name_bytes), data(data_bytes);
    for (size_t k = 0; k < keys.size(); ++k) {
        for (DWORD index = static_cast<DWORD>(values[k].size());; ++index) {
            KeyValue v;
            if (!read_font_value(keys[k], index, name, data, v)) break;
            values[k].push_back(std::move(v));
        }
    }
    return values;
}

}  // namespace

FontInventory read_installed_fonts() {
    // The machine's key first, then the user's: the first value of a face
    // wins, so a face both name is the machine's, as Windows resolves it.
    // The machine's key is made when missing (a fresh prefix); the user's
    // only by the first per-user install.
    std::vector<HKEY> keys;
    std::vector<FontScope> key_scopes;
    std::vector<win::UniqueRegKey> owners;
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, kFontsKey, &key) == ERROR_SUCCESS) {
        keys.push_back(key);
        key_scopes.push_back(FontScope::Machine);
        owners.emplace_back(key);
    }
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kFontsKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        keys.push_back(key);
        key_scopes.push_back(FontScope::User);
        owners.emplace_back(key);
    }
    std::vector<KeyValue> values;
    std::vector<FontScope> scopes;
    std::vector<std::vector<KeyValue>> per_key = read_font_values(keys);
    for (size_t k = 0; k < per_key.size(); ++k) {
        for (KeyValue& v : per_key[k]) {
            if (!v.present) continue;
            values.push_back(std::move(v));
            scopes.push_back(key_scopes[k]);
        }
    }
    // The face names come from the files (or the face-name store); the
    // registry order is kept, so the first value of a face still wins. A
    // user's value holds an absolute path, kept as it is.
    std::vector<std::string> paths;
    paths.reserve(values.size());
    for (KeyValue& v : values) paths.push_back(std::move(v.data));
    std::vector<std::string> faces = face_names_of(paths);
    FontInventory inventory;
    for (size_t i = 0; i < values.size(); ++i) {
        inventory.append(std::move(faces[i]), std::move(paths[i]), std::move(values[i].name),
                         scopes[i]);
    }
    return inventory;
}

}  // namespace yq
