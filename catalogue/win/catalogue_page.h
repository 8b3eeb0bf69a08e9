// The catalogue page on screen: opens the catalogue database, applies what
// the category view and the list model decide (drawing into 分类画板 and
// 后台画板/前台画板, showing controls, message boxes), and routes the page's
// mouse and button events to them. UI thread only.
#pragma once

#include <string>

namespace yq {

// Reopens ztdata.mdb in the program directory and shows the first category
// of the current group.
void open_catalogue();
// Closes the database so the file can be replaced.
void close_catalogue();

// Wires 高级选择夹2, 分类画板, 前台画板 and the page buttons.
void wire_catalogue_page();

// The 50 ms ring tick (时钟2).
void catalogue_spinner_tick();

// Re-derives every row's installed state after fonts changed.
void refresh_catalogue_rows();

// A download of `font_name` reported: progress stores the percentage; an end
// sets the rows of that name (installed or not) and redraws them. Returns
// whether a row of that name is still listed.
void catalogue_download_progress(const std::string& font_name, int percentage);
bool catalogue_download_finished(const std::string& font_name, bool installed);

}  // namespace yq
