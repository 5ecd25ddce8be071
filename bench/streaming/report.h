// The benchmark's printed table: our figures beside their targets and anchors.
#pragma once

#include "memcpy_anchor.h"
#include "stream_run.h"

namespace bench {

void printPaced(const StreamFigures& figures, double framesPerSecond);
void printUnpaced(const StreamFigures& figures, const CopyRate& anchor);

}  // namespace bench
