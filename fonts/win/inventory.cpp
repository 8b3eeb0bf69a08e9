#include "fonts/win/inventory.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>

#include "base/worker_guard.h"
#include "fonts/install_record.h"
#include "fonts/win/font_primitives.h"
#include "fonts/win/installed_fonts.h"
#include "platform/win/dialogs.h"
#include "platform/win/ui_thread.h"

namespace yq {
namespace {

FontInventory g_inventory;
// Rebuilds are numbered when they start; a result replaces the inventory only
// when no rebuild started after it has been applied already. UI thread only.
int g_rebuilds_started = 0, g_rebuilds_done = 0;

struct BackgroundRebuild {
    std::function<void()> then_on_ui;
};

// A rebuild that fails (memory running out above all) keeps the inventory
// as it was, and what was to follow it still runs on the UI thread.
DWORD WINAPI background_rebuild(void* arg) {
    std::unique_ptr<BackgroundRebuild> job(static_cast<BackgroundRebuild*>(arg));
    run_guarded(
        "the inventory rebuild", [&] { rebuild_inventory(job->then_on_ui); },
        [&] {
            if (job->then_on_ui) win::run_on_ui(job->then_on_ui);
        });
    return 0;
}

}  // namespace

FontInventory& system_font_inventory() {
    return g_inventory;
}

bool is_face_installed(const std::string& face) {
    return g_inventory.find(face) != 0;
}

InstallResult install_font_in_its_scope(const std::string& path, std::string& file_name,
                                        FontScope* used) {
    int at = g_inventory.find(install_face_name(path));
    std::optional<FontScope> scope =
        at != 0 ? std::optional<FontScope>(g_inventory.scope(at)) : install_scope();
    if (!scope) return {};
    if (used) *used = *scope;
    return install_font(path, file_name, *scope);
}

std::vector<InstalledFace> installed_faces_named(const std::vector<std::string>& keys) {
    std::vector<InstalledFace> found;
    // Without a UI thread there is no program, and no inventory, to ask.
    if (!win::has_ui_thread()) return found;
    win::run_on_ui([&] {
        for (int i = 1; i <= g_inventory.count(); ++i) {
            const std::string key = name_key(g_inventory.face_name(i));
            if (std::find(keys.begin(), keys.end(), key) == keys.end()) continue;
            found.push_back({g_inventory.face_name(i), g_inventory.file_path(i),
                             g_inventory.value_name(i), g_inventory.scope(i)});
        }
    });
    return found;
}

bool may_install_fonts() {
    if (install_scope()) return true;
    static bool asked = false;
    if (asked) return false;
    asked = true;
    if (win::message_box("安装字体需要管理员权限。是否以管理员身份重新启动砚青?", nullptr,
                         MB_YESNO | MB_ICONWARNING) != IDYES) {
        return false;
    }
    char exe[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, exe, sizeof exe);
    if (n == 0 || n >= sizeof exe) return false;
    auto started = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "runas", exe, nullptr, nullptr, SW_SHOWNORMAL));
    if (started > 32) PostQuitMessage(0);
    return false;
}

void rebuild_inventory(const std::function<void()>& then_on_ui) {
    int generation = 0;
    win::run_on_ui([&] { generation = ++g_rebuilds_started; });
    FontInventory fresh = read_installed_fonts();
    win::run_on_ui([&] {
        if (generation > g_rebuilds_done) {
            g_rebuilds_done = generation;
            g_inventory = std::move(fresh);
        }
        if (then_on_ui) then_on_ui();
    });
}

void rebuild_inventory_in_background(std::function<void()> then_on_ui) {
    auto* job = new BackgroundRebuild{std::move(then_on_ui)};
    HANDLE t = CreateThread(nullptr, 0, background_rebuild, job, 0, nullptr);
    if (t) {
        CloseHandle(t);
    } else {
        delete job;
    }
}

}  // namespace yq
