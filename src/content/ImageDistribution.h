#pragma once

#include <atomic>
#include <cstdint>

#include <QString>
#include <QStringList>

#include "content/ImageTable.h"
#include "terminal/TerminalLibrary.h"

namespace tarifon {

// One picture distribution to one terminal, as a worker thread runs it: the model
// check, then "upd.bmp" (128, 64, 0, 0, 254, 1), the control call (0, 0, 255, 0, 0, 0)
// on the same path, one call per table row whose picture exists (128, 64, row, Loop,
// Pause, 1) and "upd.bmp" again (128, 64, 0, 0, 0, 1).  A terminal whose model code is
// below 2 gets nothing.  A row is skipped when its picture is missing (a folder does
// not count), its Loop or Pause is not a whole number, or its path does not fit the
// library's 255 bytes; the other rows keep their numbers.  "upd.bmp" beside the
// program is named whether or not it exists (a path too long to pass goes as an empty
// one, so the terminal still gets the numbers).  When `stop` becomes true the
// distribution ends before its next call.  A picture's name may differ from its file's
// in letter case (rowPicturePath).
//
// Returns one event-log line for each row skipped, with the reason, for the
// user-interface thread to show; a row whose three cells are empty is no picture
// (the table file never stores one) and passes without a word.
//
// `table` is the worker's own copy; `programDir` the folder beside the executable.
QStringList distributePictures(TerminalLibrary& library, int32_t socket, const ImageTable& table,
                               const QString& programDir, const std::atomic<bool>& stop);

inline constexpr int32_t kFirstPictureModel = 2;

}  // namespace tarifon
