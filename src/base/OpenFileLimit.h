#pragma once

namespace tarifon {

// Raises this process's soft limit of open files to its hard limit: a full terminal
// table alone takes 1022 descriptors, over the usual soft limit of 1024.  Returns the
// soft limit in force afterwards (-1 when it cannot be read).
long raiseOpenFileLimit();

}  // namespace tarifon
