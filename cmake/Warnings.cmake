# Every target of ours compiles with warnings as errors.
add_library(kx_warnings INTERFACE)
target_compile_options(kx_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Wimplicit-fallthrough
    -Werror)
