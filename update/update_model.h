// The catalogue and program version checks, as rules on texts: what a
// server answer means, and what the status line says about it. Texts are
// GBK byte strings compared byte for byte.
//
//   StatusTexts           the three parts of the status line and its text
//   catalogue_version_of  the version in an answer to /ztpz.txt, if it is one
//   is_recordable_version whether that version may go into pos.ini
//   announces_new_program whether an answer to /My.txt announces a newer program
//   read_size_for         the read size of the plain GET for a Content-Length
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/status.h"
#include "base/version.h"

namespace yq {

// The program's own version text, "主程序版本:3.6"; /My.txt holds the
// current one.
inline constexpr char kProgramVersionText[] = "主程序版本:" YQ_VERSION;

// Connection notes: 18 spaces, then the state.
inline constexpr char kConnectedNote[] = "                  连接服务器成功!";
inline constexpr char kNotConnectedNote[] = "                  连接服务器失败!";
inline constexpr char kUpdateFailedText[] = "字库更新出错!";

// Local versions read from pos.ini fall back to these when "bbh" is absent.
inline constexpr char kShownVersionFallback[] = "0.1";
inline constexpr char kFailedVersionFallback[] = "1.0";

struct StatusTexts {
    std::string program_label;    // kProgramVersionText once the window has painted
    std::string catalogue_label;  // the local version and the last outcome
    std::string connection_note;  // one of the notes above, or a percentage

    // program label + "     字库版本号:" + catalogue label + note.
    std::string line() const;
};

// The catalogue label after a failed check, a check that found nothing to
// install (or was declined), and a finished install.
std::string failed_check_label(std::string_view local_version);
std::string latest_version_label(std::string_view local_version, std::string_view server_version);
std::string installed_label(std::string_view server_version);

// The connection note while the catalogue downloads, and after an install
// that could not be made.
std::string download_progress_note(int percent);
std::string install_failed_note();

// Body bytes up to the first NUL, as the program takes a text answer.
std::string text_of_body(std::string_view body);

// The catalogue version an answer to /ztpz.txt carries: its text when that
// is exactly 3 bytes ("1.6"; "1.6\r\n" is not one) and the answer was not
// an HTTP error. A failure means the check failed: kReadFailed when nothing
// or an HTTP error came back, kNotRecognised for a text of another length.
Result<std::string> catalogue_version_of(bool fetched, int http_status, std::string_view body);

// Whether a catalogue version from the server may be written to pos.ini as
// "bbh": a digit, a point and a digit ("1.6"). The check takes any 3 bytes
// as an answer, but other bytes (a line end, "[", "=") would write keys or
// sections of their own into the file.
bool is_recordable_version(std::string_view version);

// Whether the catalogue on the server is another than the local one: any
// difference counts, higher or lower, and an absent local version too.
bool offers_catalogue(std::string_view local_version, std::string_view server_version);

// Whether an answer to /My.txt announces another program: it must have
// arrived (a failed fetch, an HTTP error page or an empty body tells
// nothing) and its text differ from kProgramVersionText.
bool announces_new_program(bool fetched, int http_status, std::string_view body);

// Reads of the plain GET: the announced length + 1, at most 102400 bytes;
// 10240 when there is no Content-Length or it is not a positive number.
uint32_t read_size_for(std::string_view content_length);

// The plain GET gives up on a body longer than this: version texts are a
// few bytes, and an endless answer must not grow without bound.
inline constexpr size_t kMaxTextBodyBytes = size_t{1} << 20;

}  // namespace yq
