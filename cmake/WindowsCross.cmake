# What the Windows cross-build (cmake/mingw-w64-x86_64.cmake) takes from the build machine.
if(NOT (WIN32 AND CMAKE_CROSSCOMPILING))
    return()
endif()

# CLI11 is header-only: the cross compiler sees /usr/include/CLI through a folder that holds
# nothing but a link to it.
set(kx_cli11_root ${CMAKE_BINARY_DIR}/cross-include)
file(MAKE_DIRECTORY ${kx_cli11_root})
file(CREATE_LINK /usr/include/CLI ${kx_cli11_root}/CLI SYMBOLIC)
if(NOT EXISTS ${kx_cli11_root}/CLI/CLI.hpp)
    message(FATAL_ERROR "/usr/include/CLI/CLI.hpp is missing: install libcli11-dev (tools/deps.sh)")
endif()
add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${kx_cli11_root})
# find_package(CLI11) and find_package(GTest) elsewhere find the targets made here (CMake
# looks in its redirect folder before anywhere else).
file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/cli11-config.cmake "")

# GoogleTest from Debian's sources, built with the cross compiler.
if(KX_BUILD_TESTS)
    set(KX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the cross-build")
    if(NOT EXISTS ${KX_GTEST_SOURCE}/CMakeLists.txt)
        message(FATAL_ERROR "${KX_GTEST_SOURCE} is missing: install googletest (tools/deps.sh)")
    endif()
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    add_subdirectory(${KX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/gtest-config.cmake "")
endif()
