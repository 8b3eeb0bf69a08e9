// Event handlers of the main window's controls: one entry per control event,
// wired once at main window creation. Each entry calls into the subsystem
// that owns the behaviour.
#pragma once

namespace yq {

void wire_event_handlers();

// Left button down on the page area: closes the skin colour popup when open.
void close_skin_popup_on_page_press();

void run_menu_command(int id);  // items of 控制菜单
void spinner_tick();            // 时钟2, every 50 ms
void caption_fade_tick();       // 时钟1

// List refreshes run by the page selection.
void refresh_downloaded_fonts();
void refresh_recycle_bin();
void refresh_backups();

// Hand-over target of the start-up work (notification of 标签6).
void open_catalogue_on_ui_thread();

}  // namespace yq
