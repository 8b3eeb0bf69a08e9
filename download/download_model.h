// Portable rules of a font download: the request sent, the reports a transfer
// gives, where the file goes, and whether what arrived is a usable font.
//
//   request_headers      the fixed header block, with a Range line when resuming
//   agent_name           "Agent" + tick count, the root handle's user agent
//   download_url         base URL + "/ztwjj/" + address + ".tmp"
//   safe_font_file_stem  a catalogue font name made safe as a file name, or ""
//   target_path          download folder + safe name + ".ttf", or ""
//   partial_path         where the download is written until it is checked
//   install_file_name    the name in the Fonts folder: safe name, blanks stripped
//   download_limit       the most bytes a body may bring
//   TransferCounter      bytes received, percentages and when to report progress
//   decide_resume        append, start again, or refuse, from the answer's status
//   check_downloaded_file  unpacked font bytes, or why the download failed
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/bytes.h"
#include "base/file_names.h"

namespace yq::download {

// Sent with every font request: 156 bytes, CR LF between lines, none at the end.
inline constexpr std::string_view kRequestHeaders =
    "Accept: */*\r\n"
    "Accept-Language: zh-cn\r\n"
    "Accept-Encoding: gzip, deflate\r\n"
    "User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)";

// The body is reported in chunks of this size: one progress report per
// chunk, as a loop of synchronous 10240-byte reads would give.
inline constexpr size_t kReadChunkBytes = 10240;

// The header block; with resume, "\r\nRange:bytes=" + start_offset + "-" follows.
std::string request_headers(bool resume, int32_t start_offset);

// "Agent" followed by the decimal tick count (milliseconds since start-up).
std::string agent_name(uint32_t tick_count);

// base_url + "/ztwjj/" + address + ".tmp". Address bytes other than ASCII
// letters, digits, '-', '_', '.' and '~' are percent-encoded, because WinINet
// puts raw GBK bytes on the wire unencoded and '?', '#' or '/' would change
// what is asked for.
std::string download_url(std::string_view base_url, std::string_view address);

// One report of a transfer to its caller.
//   progress:   failed=false, kind=0, path=target path, percent
//   completion: failed=false, kind=1, path=target path, percent
//   failure:    failed=true (the "-1" in place of the path), kind=0, path empty,
//               percent 0
// `font` is the font name the transfer was given, passed back unchanged.
struct Report {
    enum Kind { kProgress = 0, kCompletion = 1 };
    bool failed = false;
    int kind = kProgress;
    std::string path;
    std::string font;
    int percent = 0;

    static Report progress(const std::string& path, const std::string& font, int percent) {
        return {false, kProgress, path, font, percent};
    }
    static Report completion(const std::string& path, const std::string& font, int percent) {
        return {false, kCompletion, path, font, percent};
    }
    static Report failure(const std::string& font) { return {true, kProgress, {}, font, 0}; }
};
using ReportFn = std::function<void(const Report&)>;

// bytes received / announced * 100, truncated toward zero; 0 when no length
// was announced.
int percent_of(int64_t received, uint32_t announced);

// Counts the bytes of one transfer and decides its progress reports. Bytes
// received start at 0, or at the start offset when resuming; the announced
// length is the answer's Content-Length (0 when absent). However the body
// arrives, it is reported in whole kReadChunkBytes chunks plus a last shorter
// one: after each chunk, while the bytes received stay below the announced
// length, progress(percentage) is called.
class TransferCounter {
  public:
    TransferCounter(int64_t start, uint32_t announced) : received_(start), announced_(announced) {}

    // Counts `bytes` more bytes of the body, reporting every chunk they complete.
    template <typename Progress>
    void add(size_t bytes, Progress&& progress) {
        pending_ += bytes;
        while (pending_ >= kReadChunkBytes) {
            pending_ -= kReadChunkBytes;
            count_chunk(kReadChunkBytes, progress);
        }
    }

    // At the end of the body: the last, shorter chunk is counted and reported.
    template <typename Progress>
    void end(Progress&& progress) {
        if (pending_ > 0) count_chunk(std::exchange(pending_, 0), progress);
    }

    // The percentage of the completion report.
    int completion_percent() const { return percent_of(received(), announced_); }

    int64_t received() const { return received_ + int64_t(pending_); }
    uint32_t announced() const { return announced_; }
    // True when a length was announced and fewer bytes arrived than it said.
    bool short_body() const { return announced_ > 0 && received() < int64_t(announced_); }

  private:
    template <typename Progress>
    void count_chunk(size_t n, Progress& progress) {
        received_ += int64_t(n);
        if (received_ < int64_t(announced_)) progress(percent_of(received_, announced_));
    }

    int64_t received_;    // bytes of whole chunks counted
    size_t pending_ = 0;  // bytes of the chunk not yet complete
    uint32_t announced_;
};

// What the transfer learnt besides its reports, for the caller's checks.
struct TransferSummary {
    int http_status = 0;      // 0 when no answer arrived
    uint32_t announced = 0;   // Content-Length, 0 when absent
    int64_t received = 0;     // bytes in the file at the end, counting a resumed start
    bool short_body = false;  // fewer bytes than announced (the connection was cut)
    bool restarted = false;   // a resume the server answered with the whole file
    bool too_long = false;    // the body went past download_limit: the transfer failed
    // For a failed transfer: the step that failed ("open url", "read", ...)
    // and the system's error code then, for the program's log.
    const char* failed_step = nullptr;
    unsigned long error = 0;
};

// How a resumed request goes on, given the answer's status and its
// Content-Range header (empty when absent).
enum class ResumeStep {
    kAppend,   // 206 from the start offset: append to the existing file
    kRestart,  // 200: the server ignored Range and sends the whole file; write it anew
    kRefuse,   // anything else: the partial file is left as it was, the transfer fails
};
ResumeStep decide_resume(int http_status, std::string_view content_range, int32_t start_offset);

// The first byte position of "bytes A-B/T" (or "bytes A-B/*"), or nothing.
std::optional<int64_t> content_range_start(std::string_view content_range);

// A catalogue font name made usable as a file name inside the download
// folder: the name exactly as listed where it is a valid Windows name, else
// with every character a Windows file name cannot hold (controls, the
// separators slash and backslash, < > : " | ? *) and trailing dots and blanks replaced by '_'.
// Works on GBK characters: a trail byte (which may be 0x5C '\') belongs to its character. A lead
// byte without a valid trail byte is replaced too. Empty when the name is empty, names a device
// (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$, with or without an extension or trailing
// blanks), or is too long.
std::string safe_font_file_stem(std::string_view font_name);

// download folder + safe_font_file_stem(font_name) + ".ttf"; a separator is
// put after the folder when it has none. Empty (download refused) when the
// name is refused or the path of its partial file would be longer than
// kMaxPathChars.
std::string target_path(std::string_view download_folder, std::string_view font_name);

// A download is written to its partial file beside the target and moved over
// the target only once it has been checked, unpacked and installed, so a
// failed or cut download never touches an earlier good copy. The partial
// file holds a container, which no font listing takes for a font.
std::string partial_path(std::string_view target);

// The file name the font is installed under in the Fonts folder: the same
// safe stem as the download folder's file, blanks stripped (as the install
// strips them), + ".ttf". Empty when stripping leaves no name Windows can
// store (for example "CO N" becomes the device name CON).
std::string install_file_name(std::string_view font_name);

// The largest font file installed, and the largest body a download may
// bring (a container a little larger than the font it holds). A longer body
// fails while it is read; a container that inflates further fails to unpack.
inline constexpr size_t kMaxFontFileBytes = size_t{128} << 20;
inline constexpr int64_t kMaxDownloadBytes = int64_t{kMaxFontFileBytes} + (int64_t{1} << 20);

// The most bytes a transfer's file may hold: the bytes kept from a resumed
// start plus the announced length when one was announced and that is
// smaller, else `cap`.
int64_t download_limit(int64_t kept, uint32_t announced, int64_t cap = kMaxDownloadBytes);

// The verdict on a file whose transfer completed.
enum class DownloadVerdict {
    kOk,            // a container that unpacked: `font` holds the font file bytes
    kHttpError,     // the server answered with an error status (the body is its page)
    kShortBody,     // the connection was cut before the announced length
    kNotContainer,  // no zt container magic: not what the server should send
    kDamaged,       // a container whose stream does not unpack (or unpacks past
                    // kMaxFontFileBytes)
};
struct CheckedDownload {
    DownloadVerdict verdict = DownloadVerdict::kNotContainer;
    Bytes font;
    bool ok() const { return verdict == DownloadVerdict::kOk; }
};

// Decides whether a completed download is a font: the status must be 2xx
// (or 0, unknown), the body complete, and the file a zt container that
// unpacks. Only then are the unpacked bytes returned.
CheckedDownload check_downloaded_file(ByteSpan file, const TransferSummary& summary);

const char* to_string(DownloadVerdict v);

}  // namespace yq::download
