// Putting fonts on the machine and taking them off: a file in the system
// Fonts folder, a value in the fonts registry key naming it, and a GDI font
// resource that makes the face usable at once.
#pragma once

#include <string>

namespace yq {

inline constexpr char kFontsKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
inline constexpr char kTrueTypeSuffix[] = " (TrueType)";

// The system Fonts folder, ending in a backslash (computed once).
const std::string& fonts_folder();

// Face name of a font file as Windows shows it (GBK, at most 100 bytes), or
// "" when it is not a readable font. The listing variant turns a bare file
// name (no ":" as second character) into a path in the Fonts folder and
// hands that path back through `path`.
std::string install_face_name(const std::string& path);
std::string listing_face_name(std::string& path);

// Installs the font file `path` into the Fonts folder under `file_name`
// (blanks stripped; the source's own name when empty): copies the file,
// adds the font resource, and only then writes the registry value
// face + " (TrueType)" = file name. `file_name` comes back stripped (and
// filled in), and numbered (name_2.ttf, ...) when the folder already holds a
// file of that name with another face: an install never replaces another
// font's file, while the same face reinstalled overwrites its own.
//
// False, with no registry value written and no file left behind, when the
// file is not a readable font, the name is not one Windows stores as given,
// resolves anywhere but directly inside the Fonts folder, or no numbered
// name is free, or the copy, the font resource or the registry write fails.
// A copy refused because the target already holds the same bytes (a loaded
// font reinstalled) is no failure. The Fonts folder's own attributes are
// left as they were.
bool install_font(const std::string& path, std::string& file_name);

// Removes the font resource of `path`; when that worked, deletes the registry
// value `value_name`. The file stays. True when the resource was removed.
bool uninstall_font(const std::string& path, const std::string& value_name);

// RemoveFontResourceA(path), then a synchronous WM_FONTCHANGE broadcast when
// it worked. The registry is not touched.
bool remove_font_resource_and_broadcast(const std::string& path);

// Posts WM_FONTCHANGE to every top-level window (not waited for).
void broadcast_font_change();

// The removal every deletion uses: clear the file's read-only/hidden/system
// attributes, then uninstall. (The fallback of removing the resource alone
// repeats the uninstall's own RemoveFontResourceA, which has just failed:
// it is not tried again.)
bool remove_installed_font(const std::string& path, const std::string& value_name);

}  // namespace yq
