#include "update/update_model.h"

#include "base/text.h"

namespace yq {
namespace {

bool is_error_status(int http_status) {
    return http_status >= 400;
}

}  // namespace

std::string StatusTexts::line() const {
    return program_label + "     字库版本号:" + catalogue_label + connection_note;
}

std::string failed_check_label(std::string_view local_version) {
    return std::string(local_version) + "(字库更新失败!)";
}

std::string latest_version_label(std::string_view local_version, std::string_view server_version) {
    return std::string(local_version) + "(最新版本:" + std::string(server_version) + ")";
}

std::string installed_label(std::string_view server_version) {
    return std::string(server_version) + "(已是最新版本!)";
}

std::string download_progress_note(int percent) {
    return std::string(kConnectedNote) + "    字库更新已完成:" + std::to_string(percent) + "%";
}

std::string install_failed_note() {
    return std::string(kConnectedNote) + kUpdateFailedText;
}

std::string text_of_body(std::string_view body) {
    return std::string(body.substr(0, body.find('\0')));
}

Result<std::string> catalogue_version_of(bool fetched, int http_status, std::string_view body) {
    if (!fetched) return Status(StatusCode::kReadFailed, "the server did not answer");
    if (is_error_status(http_status))
        return Status(StatusCode::kReadFailed,
                      "the server answered HTTP " + int_to_text(http_status));
    std::string text = text_of_body(body);
    if (text.size() != 3)
        return Status(StatusCode::kNotRecognised,
                      "the answer holds " + int_to_text(int64_t(text.size())) + " bytes, not 3");
    return text;
}

bool is_recordable_version(std::string_view v) {
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return v.size() == 3 && digit(v[0]) && v[1] == '.' && digit(v[2]);
}

bool offers_catalogue(std::string_view local_version, std::string_view server_version) {
    return local_version != server_version;
}

bool announces_new_program(bool fetched, int http_status, std::string_view body) {
    if (!fetched || is_error_status(http_status)) return false;
    std::string text = text_of_body(body);
    return !text.empty() && text != kProgramVersionText;
}

uint32_t read_size_for(std::string_view content_length) {
    constexpr uint32_t kDefault = 10240, kMax = 102400;
    // Digits only, and no more of them than a length can have.
    const uint64_t n = parse_decimal(content_length, 10).value_or(0);
    if (n == 0) return kDefault;
    return n + 1 >= kMax ? kMax : static_cast<uint32_t>(n + 1);
}

}  // namespace yq
