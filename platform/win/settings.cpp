#include "platform/win/settings.h"

#include <windows.h>

#include <vector>

#include "base/text.h"

namespace yq {

std::string program_directory() {
    static const std::string dir = [] {
        std::vector<char> path(MAX_PATH);
        for (;;) {
            DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
            if (n < path.size()) {
                std::string p(path.data(), n);
                // Cut at the last backslash, stepping by GBK characters.
                size_t cut = std::string::npos;
                for (size_t i = 0; i < p.size(); i += gbk_char_size(p, i)) {
                    if (p[i] == '\\') cut = i;
                }
                return cut == std::string::npos ? std::string(".") : p.substr(0, cut);
            }
            path.resize(path.size() * 2);
        }
    }();
    return dir;
}

std::string settings_path() {
    return program_directory() + "\\pos.ini";
}

std::string read_profile(const std::string& file, const char* section, const char* key,
                         const char* fallback) {
    if (file.empty() || !section || !*section || !key || !*key) return {};
    std::vector<char> buffer(kSettingsReadBuffer);
    DWORD n = GetPrivateProfileStringA(section, key, fallback ? fallback : "", buffer.data(),
                                       kSettingsReadBuffer, file.c_str());
    return std::string(buffer.data(), n);
}

bool write_profile(const std::string& file, const char* section, const char* key,
                   const std::string& value) {
    if (!section || !*section || !key || !*key) return false;
    return WritePrivateProfileStringA(section, key, value.c_str(), file.c_str()) != 0;
}

std::string read_setting(const char* section, const char* key, const char* fallback) {
    return read_profile(settings_path(), section, key, fallback);
}

bool write_setting(const char* section, const char* key, const std::string& value) {
    return write_profile(settings_path(), section, key, value);
}

}  // namespace yq
