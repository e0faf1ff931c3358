#pragma once

#include <filesystem>
#include <string>

#include "base/Result.h"
#include "wire/Wire.h"

namespace termsim {

namespace wire = termlink::wire;

// "instant", "upload-begin", "upload-clear", "upload-picture", "upload-end".
const char* pictureKindName(wire::PictureKind kind);

// Keeps the pictures a terminal receives: one file per picture, NNNN-<index>.bin
// (.bmp when the data starts with "BM"), and one line per picture in pictures.log:
// file name (or "-" for a picture without data), width, height, index, loop, pause,
// flag, byte count, kind.  Numbering goes on from the lines already in the log, so a
// second run into the same folder overwrites nothing.
class PictureStore {
public:
    static tarifon::Result<PictureStore> open(const std::filesystem::path& dir);

    // The file name written, "-" when the picture carried no data.
    tarifon::Result<std::string> store(const wire::Picture& picture);
    const std::filesystem::path& dir() const { return m_dir; }

private:
    explicit PictureStore(std::filesystem::path dir, unsigned next)
        : m_dir(std::move(dir)), m_next(next) {}
    std::filesystem::path m_dir;
    unsigned m_next;
};

}  // namespace termsim
