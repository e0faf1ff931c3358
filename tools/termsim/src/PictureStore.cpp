#include "termsim/PictureStore.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "termsim/AtomicWrite.h"

namespace termsim {

namespace {

constexpr const char* kLogName = "pictures.log";

}  // namespace

Result<PictureStore> PictureStore::open(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir)) {
        return Result<PictureStore>::fail("cannot use picture folder " + dir.string() + ": " +
                                          (ec ? ec.message() : "not a folder"));
    }
    unsigned lines = 0;
    std::ifstream log(dir / kLogName);
    for (std::string line; std::getline(log, line);)
        ++lines;
    return Result<PictureStore>::ok(PictureStore(dir, lines + 1));
}

Result<std::string> PictureStore::store(const wire::Picture& picture) {
    std::string name = "-";
    if (!picture.data.empty()) {
        const bool bitmap =
            picture.data.size() >= 2 && picture.data[0] == 'B' && picture.data[1] == 'M';
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%04u-%d.%s", m_next, picture.index,
                      bitmap ? "bmp" : "bin");
        name = buffer;
        const std::string error = writeFileAtomically(
            m_dir / name, std::string_view(reinterpret_cast<const char*>(picture.data.data()),
                                           picture.data.size()));
        if (!error.empty())
            return Result<std::string>::fail(error);
    }
    ++m_next;
    std::ofstream log(m_dir / kLogName, std::ios::app);
    log << name << ' ' << picture.width << ' ' << picture.height << ' ' << picture.index << ' '
        << picture.loop << ' ' << picture.pause << ' ' << picture.flag << ' ' << picture.data.size()
        << '\n';
    log.flush();
    if (!log) {
        return Result<std::string>::fail("cannot append to " + (m_dir / kLogName).string() + ": " +
                                         std::strerror(errno));
    }
    return Result<std::string>::ok(name);
}

}  // namespace termsim
