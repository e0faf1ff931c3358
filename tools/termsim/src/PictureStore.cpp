#include "termsim/PictureStore.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "base/AtomicWrite.h"

namespace termsim {

namespace {

constexpr const char* kLogName = "pictures.log";

}  // namespace

const char* pictureKindName(wire::PictureKind kind) {
    // In the order of the kinds' numbers, which start at 1; the codec admits no other.
    static constexpr const char* kNames[] = {"instant", "upload-begin", "upload-clear",
                                             "upload-picture", "upload-end"};
    return kNames[static_cast<size_t>(kind) - 1];
}

tarifon::Result<PictureStore> PictureStore::open(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir)) {
        return tarifon::fail("cannot use picture folder " + dir.string() + ": " +
                             (ec ? ec.message() : "not a folder"));
    }
    unsigned lines = 0;
    std::ifstream log(dir / kLogName);
    for (std::string line; std::getline(log, line);)
        ++lines;
    return PictureStore(dir, lines + 1);
}

tarifon::Result<std::string> PictureStore::store(const wire::Picture& picture) {
    std::string name = "-";
    if (!picture.data.empty()) {
        const bool bitmap =
            picture.data.size() >= 2 && picture.data[0] == 'B' && picture.data[1] == 'M';
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%04u-%d.%s", m_next, picture.index,
                      bitmap ? "bmp" : "bin");
        name = buffer;
        const auto written = tarifon::writeFileAtomically(
            m_dir / name, std::string_view(reinterpret_cast<const char*>(picture.data.data()),
                                           picture.data.size()));
        if (!written)
            return tarifon::fail(written.error());
    }
    ++m_next;
    std::ofstream log(m_dir / kLogName, std::ios::app);
    log << name << ' ' << picture.width << ' ' << picture.height << ' ' << picture.index << ' '
        << picture.loop << ' ' << picture.pause << ' ' << picture.flag << ' ' << picture.data.size()
        << ' ' << pictureKindName(picture.kind) << '\n';
    log.flush();
    if (!log) {
        return tarifon::fail("cannot append to " + (m_dir / kLogName).string() + ": " +
                             std::strerror(errno));
    }
    return name;
}

}  // namespace termsim
