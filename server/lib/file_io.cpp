#include "server/lib/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace yq::server {

std::optional<Bytes> read_file(const std::string& path, std::string* error) {
    auto fail = [&](const std::string& why) -> std::optional<Bytes> {
        if (error) *error = why;
        return std::nullopt;
    };
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail(std::strerror(errno));
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail("not a regular file");
    }
    if (static_cast<uint64_t>(st.st_size) > kMaxWholeFileBytes) {
        ::close(fd);
        return fail("file too large");
    }
    Bytes data(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::read(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ::close(fd);
            return fail(n < 0 ? std::strerror(errno) : "file shrank while reading");
        }
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    return data;
}

std::string write_file_atomically(const std::string& path, ByteSpan data) {
    std::string temp = path + ".part";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return temp + ": " + std::strerror(errno);
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            std::string why = temp + ": " + std::strerror(errno);
            ::close(fd);
            ::unlink(temp.c_str());
            return why;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) {
        ::unlink(temp.c_str());
        return temp + ": " + std::strerror(errno);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        std::string why = path + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        return why;
    }
    return "";
}

}  // namespace yq::server
