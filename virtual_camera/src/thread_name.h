// Names the calling thread. A new thread inherits its creator's name, and the pipe's thread is
// started by a host's reader: without its own name it would pass for one of the host's threads.
#pragma once

#include <pthread.h>

namespace vcam {

inline void nameThisThread(const char* name) {  // at most 15 characters
    pthread_setname_np(pthread_self(), name);
}

}  // namespace vcam
