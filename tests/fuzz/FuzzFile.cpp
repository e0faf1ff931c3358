#include "FuzzFile.h"

#include <cstdlib>
#include <filesystem>

#include <unistd.h>

#include <QDir>
#include <QFile>

namespace {

std::filesystem::path g_folder;

void removeFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(g_folder, ignored);
}

}  // namespace

QString writeFuzzFile(const char* name, const uint8_t* data, size_t size) {
    if (g_folder.empty()) {
        g_folder =
            std::filesystem::temp_directory_path() / ("tarifon-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(g_folder);
        std::atexit(removeFolder);
    }
    const QString path = QString::fromStdString((g_folder / name).string());
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    check(file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
          static_cast<qint64>(size));
    return path;
}

void check(bool condition) {
    if (!condition)
        std::abort();
}
