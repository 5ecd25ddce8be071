// Whole-file copies for the gallery's commands.
#pragma once

#include <QString>

namespace viewer {

// Copies `source` to `destination` byte for byte, replacing an existing file only once the copy is
// complete: a failed copy leaves the destination as it was. Copying a file onto itself keeps it.
bool CopyFileReplacing(const QString& source, const QString& destination);

}  // namespace viewer
