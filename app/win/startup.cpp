#include "app/win/startup.h"

#include <windows.h>

#include <string>
#include <vector>

#include "app/win/main_window.h"
#include "app/win/startup_steps.h"
#include "platform/win/handles.h"
#include "platform/win/ui_thread.h"

namespace yq {
namespace {

constexpr char kFontNameListFile[] = "xtzt.data";

// The font name list: "," then every face name followed by ",". Written once
// in the current directory; later starts read it back unchanged.
std::string load_or_write_font_name_list(const std::vector<std::string>& faces) {
    win::UniqueFile in(CreateFileA(kFontNameListFile, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (in) {
        std::string text;
        char buffer[65536];
        DWORD got = 0;
        while (ReadFile(in.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
            text.append(buffer, got);
        }
        size_t nul = text.find('\0');
        if (nul != std::string::npos) text.resize(nul);
        return text;
    }
    if (GetFileAttributesA(kFontNameListFile) != INVALID_FILE_ATTRIBUTES) return {};  // unreadable
    std::string text = ",";
    for (const std::string& f : faces) text += f + ",";
    win::UniqueFile out(CreateFileA(kFontNameListFile, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (out) {
        DWORD written = 0;
        WriteFile(out.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    return text;
}

DWORD WINAPI background_work(void*) {
    startup_rebuild_inventory();
    std::string list = load_or_write_font_name_list(startup_face_names());
    win::run_on_ui([&] { keep_font_name_list(list); });
    startup_list_downloaded_fonts();
    startup_fill_font_grid();
    // The catalogue database is opened on the UI thread: hand it over and
    // wait until it has run. Until then the catalogue page is empty.
    startup_open_catalogue();
    startup_check_catalogue_version();
    return 0;
}

}  // namespace

void start_background_work() {
    HANDLE t = CreateThread(nullptr, 0, background_work, nullptr, 0, nullptr);
    if (t) CloseHandle(t);
}

}  // namespace yq
