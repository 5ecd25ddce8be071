// Integers in the settings files are read the way the C library's atoi reads them.
#pragma once

#include <QStringView>

namespace viewer {

// Skips leading white space, takes an optional sign and the decimal digits that follow; text that
// does not start like a number gives 0. Unlike atoi, a value beyond the int range saturates
// instead of being undefined.
int leadingInt(QStringView text) noexcept;

}  // namespace viewer
