#include "termsim/AtomicWrite.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace termsim {

namespace {

std::string systemError(const std::string& what, const std::filesystem::path& path) {
    return what + " " + path.string() + ": " + std::strerror(errno);
}

}  // namespace

std::string writeFileAtomically(const std::filesystem::path& path, std::string_view content) {
    std::filesystem::path temp = path;
    temp += ".tmp" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return systemError("cannot create", temp);
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const std::string error = systemError("cannot write", temp);
            ::close(fd);
            ::unlink(temp.c_str());
            return error;
        }
        done += static_cast<size_t>(n);
    }
    const bool synced = ::fsync(fd) == 0;
    if (::close(fd) != 0 || !synced) {
        const std::string error = systemError("cannot write", temp);
        ::unlink(temp.c_str());
        return error;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const std::string error = systemError("cannot replace", path);
        ::unlink(temp.c_str());
        return error;
    }
    return {};
}

}  // namespace termsim
