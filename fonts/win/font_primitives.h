// Putting fonts on the machine and taking them off: a file in a Fonts
// folder, a value in a fonts registry key naming it, and a GDI font resource
// that makes the face usable at once. A font is installed for every user
// (the system Fonts folder and the machine's key, the file's bare name as
// data) or for the current user only (the user's own Fonts folder and the
// user's key, the file's absolute path as data), as Windows 10 1809 and
// later install fonts without administrator rights.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "fonts/inventory_model.h"

namespace yq {

// The key's path, under HKEY_LOCAL_MACHINE and under HKEY_CURRENT_USER alike.
inline constexpr char kFontsKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
inline constexpr char kTrueTypeSuffix[] = " (TrueType)";

// The Fonts folder of a scope, ending in a backslash (computed once): the
// system's, or %LOCALAPPDATA%\Microsoft\Windows\Fonts\ for the user.
const std::string& fonts_folder(FontScope scope = FontScope::Machine);

// The scope new fonts are installed for: every user when the process is
// elevated (under Wine it always is); the current user when it is not, on
// Windows 10 1809 (build 17763) or later; none on an older Windows without
// rights. Test builds take "machine", "user" or "none" from the environment
// variable YQ_TEST_FONT_SCOPE, so the per-user path can be tested where the
// process is elevated.
std::optional<FontScope> install_scope();

// The data a value of the scope's key holds for a file of its Fonts folder.
std::string registry_data_for(FontScope scope, const std::string& file_name);

// Face name of a font file as Windows shows it (GBK, at most 100 bytes), or
// "" when it is not a readable font. The listing variant turns a bare file
// name (no ":" as second character) into a path in the Fonts folder and
// hands that path back through `path`.
std::string install_face_name(const std::string& path);
std::string listing_face_name(std::string& path);

// What an install came to.
enum class InstallStatus {
    Installed,         // the font is installed (or our own earlier version replaced)
    AlreadyInstalled,  // these very bytes are installed already: nothing was changed
    FaceTaken,         // another font answers to its face: nothing was changed
    NotAFont,          // not a readable font: nothing was changed
    Failed,            // a name it may not take, or a copy, the font resource or the
                       // registry refused: nothing is left behind
};

struct InstallResult {
    InstallStatus status = InstallStatus::Failed;
    std::string face;      // its face name, as the font gives it (blanks and all)
    std::string taken_by;  // FaceTaken: the installed value or file that answers to the face
    bool ok() const {
        return status == InstallStatus::Installed || status == InstallStatus::AlreadyInstalled;
    }
};

// Installs the font file `path` into the scope's Fonts folder under
// `file_name` (blanks stripped; the source's own name when empty): copies
// the file, adds the font resource, and only then writes the registry value
// face + " (TrueType)" = registry_data_for(scope, file name) in the scope's
// key, and records the install as the program's own (install_records.h).
// The overload without a scope installs for install_scope(), and fails when
// there is none. `file_name` comes back stripped and filled in, and as the
// name the file took.
//
// A font's identity is its file, never its face name. Whatever is installed
// already and answers to one of the font's family names (a value of either
// fonts key, or an installed file of that face) must be the program's own
// or hold these very bytes; otherwise the install is FaceTaken and changes
// nothing, so no catalogue or file can take over 黑体 or Arial. The same
// bytes installed already are AlreadyInstalled, no failure. Our own earlier
// version of the face is replaced in its own file. A Fonts-folder file of
// the name that holds anything else keeps it: the new file takes a numbered
// name (name_2.ttf, ...).
//
// Failed, with no registry value written and no file left behind, when the
// name is not one Windows stores as given, resolves anywhere but directly
// inside the Fonts folder, or no numbered name is free, or the copy, the
// font resource or the registry write fails (an older version of our own
// that was being replaced is put back). The Fonts folder's own attributes
// are left as they were.
InstallResult install_font(const std::string& path, std::string& file_name, FontScope scope);
InstallResult install_font(const std::string& path, std::string& file_name);

// The registry values of the scope's fonts key, name and data (the bytes up
// to the first NUL), in enumeration order.
struct FontValue {
    std::string name, data;
};
std::vector<FontValue> font_values(FontScope scope);

// The data of a value of the scope's key (up to its first NUL), or nothing
// when there is no such value; and writing one (REG_SZ), true when written.
std::optional<std::string> font_value_data(FontScope scope, const std::string& value_name);
bool set_font_value(FontScope scope, const std::string& value_name, const std::string& data);

// The file a value's data names: an absolute path as it is, a bare name in
// the scope's Fonts folder.
std::string file_of_value(FontScope scope, const std::string& data);

// Removes the font resource of `path`; when that worked, deletes the registry
// value `value_name` of the scope's key. The file stays. True when the
// resource was removed.
bool uninstall_font(const std::string& path, const std::string& value_name, FontScope scope);

// Takes an installed font off the system and leaves its file where it is:
// the font resource is removed, then the registry value `value_name`. A font
// GDI will not let go of but that no process holds (one GDI never loaded,
// or any font under Wine, which holds none) has nothing to remove but its
// registration. True when the value was deleted (or was not there).
bool unregister_font(const std::string& path, const std::string& value_name, FontScope scope);

// Deletes the registry value `value_name` of the scope's fonts key; true
// when it is gone (or never was).
bool delete_font_value(const std::string& value_name, FontScope scope);

// Whether the font file `source` is installed as `file_name` in the scope:
// the scope's Fonts folder holds the same bytes under that name, and the
// registry value of the source's face names that file. What a restore
// checks before it lets go of its own copy.
bool installed_as(const std::string& source, const std::string& file_name, FontScope scope);

// Whether any value of either fonts key names the file at `path` (absolute;
// a machine value's bare name is taken in the system Fonts folder).
bool is_registered_file(const std::string& path);

// Whether a font file may be deleted: it is a plain file directly inside
// the machine's or the user's Fonts folder (is_plain_file_directly_in) and
// no value of either key names it any more. A font registered from
// anywhere else is the user's own file where the user keeps it, and a file
// another value still names is another face's.
bool is_deletable_font_file(const std::string& path);

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
bool remove_installed_font(const std::string& path, const std::string& value_name, FontScope scope);

}  // namespace yq
