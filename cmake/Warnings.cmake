# Warnings are errors everywhere; library code is held to the stricter set.
add_library(qlv_warnings INTERFACE)
target_compile_options(qlv_warnings INTERFACE -Wall -Wextra -Wpedantic -Werror)

add_library(qlv_strict_warnings INTERFACE)
target_link_libraries(qlv_strict_warnings INTERFACE qlv_warnings)
target_compile_options(qlv_strict_warnings INTERFACE -Wshadow -Wconversion -Wsign-conversion)

# clang checks the locking rules written as annotations (common/thread_annotations).
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    target_compile_options(qlv_warnings INTERFACE -Wthread-safety)
endif()
