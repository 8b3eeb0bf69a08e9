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

// Takes an installed font off the system and leaves its file where it is:
// the font resource is removed, then the registry value `value_name`. A font
// GDI will not let go of but that no process holds (one GDI never loaded,
// or any font under Wine, which holds none) has nothing to remove but its
// registration. True when the value was deleted (or was not there).
bool unregister_font(const std::string& path, const std::string& value_name);

// Deletes the registry value `value_name` of the fonts key; true when it is
// gone (or never was).
bool delete_font_value(const std::string& value_name);

// Whether the font file `source` is installed as `file_name`: the Fonts
// folder holds the same bytes under that name, and the registry value of
// the source's face names that file. What a restore checks before it lets
// go of its own copy.
bool installed_as(const std::string& source, const std::string& file_name);

// Keeps the Fonts folder writable for as long as it lives, when it was
// read-only, and then puts its attributes back exactly as they were found
// (the system attribute, which makes the shell show the folder as the Fonts
// folder, is never touched).
class FontsFolderUnlocked {
  public:
    FontsFolderUnlocked();
    ~FontsFolderUnlocked();
    FontsFolderUnlocked(const FontsFolderUnlocked&) = delete;
    FontsFolderUnlocked& operator=(const FontsFolderUnlocked&) = delete;

  private:
    unsigned long attributes_;
    bool unlocked_;
};

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
