#include "app/win/startup.h"

#include <windows.h>

#include <string>
#include <vector>

#include "app/win/main_window.h"
#include "app/win/pages.h"
#include "app/win/startup_steps.h"
#include "base/worker_guard.h"
#include "platform/win/files.h"
#include "platform/win/handles.h"
#include "platform/win/settings.h"
#include "platform/win/ui_thread.h"

namespace yq {
namespace {

// The font name list file, in the program directory (never the current
// one, where a file of the user's may have that name).
constexpr char kFontNameListFile[] = "\\xtzt.data";
// A list of 10,000 faces is about 300 KB; a larger file is not one the
// program wrote, and is neither read nor rewritten.
constexpr size_t kMaxFontNameListBytes = size_t{4} << 20;

// The font name list: "," then every face name followed by ",". Written once;
// later starts read it back unchanged.
std::string load_or_write_font_name_list(const std::vector<std::string>& faces) {
    const std::string path = program_directory() + kFontNameListFile;
    if (win::file_exists(path)) {
        std::string text;
        if (!win::read_small_file(path, text, kMaxFontNameListBytes)) return {};  // unreadable
        size_t nul = text.find('\0');
        if (nul != std::string::npos) text.resize(nul);
        return text;
    }
    std::string text = ",";
    for (const std::string& f : faces) text += f + ",";
    win::write_new_file(path, text);
    return text;
}

// Each step is guarded on its own: one that fails (memory running out
// above all) is left out, and start-up carries on with the next, so the
// catalogue still opens when the font list could not be made.
template <typename Step>
void step(const char* what, Step&& work) {
    run_guarded(what, work, [] {});
}

DWORD WINAPI background_work(void* param) {
    Pages& pages = *static_cast<Pages*>(param);
    step("the inventory rebuild at start", startup_rebuild_inventory);
    step("the font name list", [&pages] {
        std::string list = load_or_write_font_name_list(startup_face_names());
        win::run_on_ui([&] { pages.font_name_list = std::move(list); });
    });
    step("the downloaded font list", [&pages] { startup_list_downloaded_fonts(pages); });
    step("the font grid at start", [&pages] { startup_fill_font_grid(pages); });
    // The catalogue database is opened on the UI thread: hand it over and
    // wait until it has run. Until then the catalogue page is empty.
    step("the catalogue open at start", [&pages] { startup_open_catalogue(pages); });
    step("the version checks at start", [&pages] { startup_check_catalogue_version(pages); });
    return 0;
}

}  // namespace

void start_background_work(Pages& pages) {
    HANDLE t = CreateThread(nullptr, 0, background_work, &pages, 0, nullptr);
    if (t) CloseHandle(t);
}

}  // namespace yq
