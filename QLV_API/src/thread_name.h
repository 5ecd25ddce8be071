// Names the calling thread so that it shows in debuggers, top and the benchmarks' CPU accounting.
#pragma once

#include <pthread.h>

namespace qlv {

// `name` is at most 15 characters.
inline void nameThisThread(const char* name) {
    pthread_setname_np(pthread_self(), name);
}

}  // namespace qlv
