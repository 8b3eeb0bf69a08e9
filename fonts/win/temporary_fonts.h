// Fonts switched on for this logon only (临时启用): a GDI font resource
// added with AddFontResourceEx, which every program can use until it is
// switched off or the user logs off, with no registry value written and no
// file copied into a Fonts folder. A font switched on is not installed: the
// inventory, which is read from the registry, never lists it.
#pragma once

#include <string>
#include <vector>

namespace yq {

// The fonts this run has switched on, by path. Owned by the page that
// switches them (我的字体); UI thread.
class TemporaryFonts {
  public:
    TemporaryFonts() = default;
    TemporaryFonts(const TemporaryFonts&) = delete;
    TemporaryFonts& operator=(const TemporaryFonts&) = delete;

    // Adds the font resource of the file and tells every window (a
    // WM_FONTCHANGE broadcast, not waited for); true when it is on.
    bool switch_on(const std::string& path);
    // Removes it again; true when it is off (or was never on).
    bool switch_off(const std::string& path);
    bool is_on(const std::string& path) const;
    bool any_on() const { return !on_.empty(); }

    // Every font this run switched on, switched off: what the program does
    // as it ends, unless the user chose to keep them.
    void switch_all_off();

  private:
    std::vector<std::string> on_;  // paths, compared without case
};

}  // namespace yq
