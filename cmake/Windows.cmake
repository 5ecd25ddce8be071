# Settings for the Windows build (MinGW-w64, posix threads).

# libstdc++'s fallback semaphore loses wake-ups under Wine (a stop_callback destructor then waits
# for ever); the POSIX one over winpthreads does not.
add_compile_definitions(_GLIBCXX_USE_POSIX_SEMAPHORE=1 WIN32_LEAN_AND_MEAN NOMINMAX
                        _WIN32_WINNT=0x0601)

# Every program and the DLL carry their own libstdc++, libgcc and winpthreads, so they depend on
# system DLLs only.
add_link_options(-static)
