// Resumable HTTP transfer of one packed font file over WinINet.
//
//   font_transfer   fetch a URL into a file, reporting progress per 10240
//                   bytes, then completion or failure, to a callback
#pragma once

#include <cstdint>
#include <string>

#include "download/download_model.h"

namespace yq::download {

// Set on every transfer's root handle. Windows honours them; Wine accepts
// and ignores them, so a server that stalls mid-body blocks a read there.
inline constexpr uint32_t kConnectTimeoutMs = 30000;
inline constexpr uint32_t kReceiveTimeoutMs = 60000;

// What to fetch, and where.
struct TransferRequest {
    std::string url;
    std::string target_path;
    std::string font_name;  // carried by every report
    int64_t max_bytes = kMaxDownloadBytes;
    // With resume, the bytes from start_offset on are asked for (below).
    int32_t start_offset = 0;
    bool resume = false;
};

// The step a transfer fails at when WinINet gives it no session: the caller
// tells the user ("Internet连接错误!"), on the UI thread.
inline constexpr char kNoInternetStep[] = "open the internet";

// Fetches request.url into request.target_path on the calling (worker)
// thread. Reads start at 10240 bytes
// and grow (up to 256 KB) only while the link fills them at once, so a slow
// link still reports about every 10 KB.
// Reports, in order (see Report and TransferCounter): a progress report
// after each 10240-byte chunk of the body while the bytes received stay
// below the announced Content-Length; then one completion report with the final
// percentage after the file and the handles are closed (the receiver may
// read or replace the file). Or, at any failure, one failure report instead
// (the file keeps what was written). Returns 0 after a completion, -1 after
// a failure.
//
// An HTTP error answer and a body cut short are completions: their status
// and shortness come back in *summary (when given), and
// check_downloaded_file tells a good font from them.
//
// With resume, the bytes from start_offset on are asked for with a Range
// line and appended to the first start_offset bytes of the existing file
// (anything after them is dropped first). A 200 answer (Range ignored)
// rewrites the file from its start; any other answer, a missing file or one
// shorter than start_offset, or a negative start_offset fails without
// touching the file.
//
// The file never grows past download_limit(kept bytes, Content-Length,
// max_bytes): an announced length beyond it fails before the body is read,
// and a body that goes on past it (one without a length that never ends)
// fails as soon as it does; summary->too_long tells these failures apart.
//
// When no internet session can be opened, the failure's step is
// kNoInternetStep; nothing is shown: failures are the caller's to report.
int font_transfer(const TransferRequest& request, ReportFn report,
                  TransferSummary* summary = nullptr);

}  // namespace yq::download
