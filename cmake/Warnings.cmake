# Every target of ours compiles with these warnings. The project's own scripts and CI make them
# errors (KX_WERROR, set by the presets); a packager on a newer compiler can leave that off.
option(KX_WERROR "Treat compiler warnings as errors" OFF)
add_library(kx_warnings INTERFACE)
target_compile_options(kx_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Wimplicit-fallthrough)
if(KX_WERROR)
    target_compile_options(kx_warnings INTERFACE -Werror)
endif()
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12's -Wrestrict misfires inside libstdc++'s std::string at -O3 (GCC bug 105651).
    target_compile_options(kx_warnings INTERFACE -Wno-restrict)
endif()
