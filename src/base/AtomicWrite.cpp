#include "base/AtomicWrite.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarifon {

namespace fs = std::filesystem;

namespace {

Failure<std::string> systemError(const std::string& what, const fs::path& path, int error) {
    return fail(what + " " + path.string() + ": " + std::strerror(error));
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Opens a fresh file beside the target; its mode follows the umask like any new file.
int createTemporary(const fs::path& dir, const std::string& base, fs::path& temp) {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = dir / ("." + base + ".tmp" + std::to_string(::getpid()) + "-" +
                      std::to_string(counter++) + "-" + std::to_string(random()));
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// The file a path stands for: a symbolic link is followed, even one whose target
// does not exist yet.
fs::path resolve(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_symlink(path, ec))
        return path;
    const fs::path canonical = fs::canonical(path, ec);
    if (!ec)
        return canonical;
    const fs::path target = fs::read_symlink(path, ec);
    return ec ? path : path.parent_path() / target;
}

}  // namespace

Result<void> writeFileAtomically(const fs::path& path, std::string_view data) {
    const fs::path target = resolve(path);
    std::error_code ec;
    if (!target.has_filename() || fs::is_directory(target, ec))
        return fail(path.string() + " is a folder, not a file");
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT)
        return systemError("cannot write", target, errno);

    fs::path temp;
    const int fd = createTemporary(dir, target.filename().string(), temp);
    if (fd < 0)
        return systemError("cannot create a temporary file in", dir, errno);

    int error = 0;
    struct stat old {};
    if (!writeAll(fd, data.data(), data.size()))
        error = errno;
    else if (::stat(target.c_str(), &old) == 0 && ::fchmod(fd, old.st_mode & 07777) != 0)
        error = errno;
    else if (::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        return systemError("cannot write", temp, error);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        error = errno;
        ::unlink(temp.c_str());
        return systemError("cannot replace", target, error);
    }
    // Makes the rename itself survive a power cut.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

}  // namespace tarifon
