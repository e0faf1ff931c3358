#pragma once

#include <QByteArray>
#include <QString>

namespace tarifon {

// Replaces the file at `path` with `data` so that a crash or power cut leaves either the
// old or the new content, never a mix: the bytes go to a temporary file in the same
// folder, are flushed to the disk, and the temporary file is renamed over the target.
// An existing file keeps its permissions; a symbolic link is followed, not replaced.
// Returns false (and leaves the target and no temporary file behind) on any failure.
bool writeFileAtomically(const QString& path, const QByteArray& data);

}  // namespace tarifon
