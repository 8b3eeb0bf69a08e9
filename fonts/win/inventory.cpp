#include "fonts/win/inventory.h"

#include <windows.h>

#include <memory>

#include "fonts/win/installed_fonts.h"
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

DWORD WINAPI background_rebuild(void* arg) {
    std::unique_ptr<BackgroundRebuild> job(static_cast<BackgroundRebuild*>(arg));
    rebuild_inventory(job->then_on_ui);
    return 0;
}

}  // namespace

FontInventory& system_font_inventory() {
    return g_inventory;
}

bool is_face_installed(const std::string& face) {
    return g_inventory.find(face) != 0;
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
