// The page objects of the main window: each made once when the window is
// wired, over the controls the design table created, and owned by the main
// window's state (its GWLP_USERDATA) for as long as the window lives. The
// wiring hands them to each other only as hooks.
#pragma once

#include <memory>
#include <string>

#include "catalogue/win/catalogue_page.h"
#include "collections/win/backup_page.h"
#include "collections/win/downloaded_page.h"
#include "collections/win/recycle_bin_page.h"
#include "download/win/download_manager.h"
#include "fonts/win/font_drop.h"
#include "fonts/win/system_font_page.h"
#include "skin/win/frame.h"
#include "tools/win/identify_page.h"
#include "tools/win/text_preview.h"
#include "update/win/catalogue_update.h"

namespace yq {

struct Pages {
    std::unique_ptr<Frame> frame;
    std::unique_ptr<SystemFontPage> system_fonts;
    std::unique_ptr<CataloguePage> catalogue;
    std::unique_ptr<DownloadedPage> downloaded;
    std::unique_ptr<RecycleBinPage> recycle_bin;
    std::unique_ptr<BackupPage> backups;
    std::unique_ptr<TextPreview> text_preview;
    std::unique_ptr<IdentifyPage> identify;
    std::unique_ptr<DownloadManager> downloads;
    std::unique_ptr<FontDrop> drop;  // fonts dropped on the window
    std::unique_ptr<CatalogueUpdate> update;
    std::string font_name_list;  // the start-up work's font name list text, kept for the run
};

}  // namespace yq
