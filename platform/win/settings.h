// pos.ini in the program directory, section "potpz": read and written
// straight through the profile-string functions, nothing cached.
#pragma once

#include <string>

namespace yq {

inline constexpr char kSettingsSection[] = "potpz";
inline constexpr unsigned kSettingsReadBuffer = 10240;

// Program directory + "\pos.ini".
std::string settings_path();

// The value of key in section, or `fallback` when the file, section or key is
// missing. An empty section or key gives "" without touching the file.
std::string read_setting(const char* section, const char* key, const char* fallback = "");

// Writes key = value (creating the file and section as needed); true on success.
bool write_setting(const char* section, const char* key, const std::string& value);

// The same on any profile file.
std::string read_profile(const std::string& file, const char* section, const char* key,
                         const char* fallback = "");
bool write_profile(const std::string& file, const char* section, const char* key,
                   const std::string& value);

// The program's own directory, without a trailing backslash.
std::string program_directory();

}  // namespace yq
