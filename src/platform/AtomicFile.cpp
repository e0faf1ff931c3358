#include "platform/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <random>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

namespace tarifon {

namespace {

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

// Opens a fresh file beside `target`; its mode follows the umask like any new file.
int createTemporary(const std::string& dir, const std::string& base, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = dir + "/." + base + ".tmp" + std::to_string(::getpid()) + "-" +
                   std::to_string(counter++) + "-" + std::to_string(random());
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

void syncDirectory(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool writeFileAtomically(const QString& path, const QByteArray& data) {
    QFileInfo info(path);
    if (info.isSymLink()) {
        const QString resolved = info.canonicalFilePath();
        info = QFileInfo(resolved.isEmpty() ? info.symLinkTarget() : resolved);
    }
    if (info.fileName().isEmpty() || info.isDir())
        return false;

    const std::string target = QFile::encodeName(info.absoluteFilePath()).toStdString();
    const std::string dir = QFile::encodeName(info.absolutePath()).toStdString();
    const std::string base = QFile::encodeName(info.fileName()).toStdString();

    std::string tempPath;
    const int fd = createTemporary(dir, base, tempPath);
    if (fd < 0)
        return false;

    bool ok = writeAll(fd, data.constData(), static_cast<size_t>(data.size()));
    struct stat old {};
    if (ok && ::stat(target.c_str(), &old) == 0)
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    if (ok)
        ok = ::fsync(fd) == 0;
    if (::close(fd) != 0)
        ok = false;
    if (ok)
        ok = ::rename(tempPath.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tempPath.c_str());
        return false;
    }
    // Makes the rename itself survive a power cut.
    syncDirectory(dir);
    return true;
}

}  // namespace tarifon
