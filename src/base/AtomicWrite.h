#pragma once

#include <filesystem>
#include <string_view>

#include "base/Result.h"

namespace tarifon {

// Replaces the file at `path` with `data` so that a crash or power cut leaves either
// the old or the new content, never a mix: the bytes go to a temporary file created
// exclusively in the same folder, are flushed to the disk, the temporary file is
// renamed over the target and the folder is flushed too.  An existing file keeps its
// permissions; a symbolic link is followed, not replaced.  On failure the target is
// untouched, no temporary file is left behind, and the error says why.
//
// The rename needs only the folder's permission, so it would replace a file the process
// may not write.  An existing target is refused as a plain write would refuse it, with
// the system's reason ("cannot write PATH: Permission denied"): the kernel's own check
// for writing, with the effective ids (faccessat, AT_EACCESS), decides, so a read-only
// mode, a read-only file system or an immutable file refuse, and root, which a plain
// write lets through, is let through here too.  A folder the process may not write
// refuses the temporary file, even where a plain write could still change the target.
Result<void> writeFileAtomically(const std::filesystem::path& path, std::string_view data);

}  // namespace tarifon
