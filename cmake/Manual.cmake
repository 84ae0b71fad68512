# The user manual's one place for paths. The PDFs are written beside the window's program in
# the build tree; an installed program finds them in KX_MANUAL_INSTALL_DIR under the prefix,
# with the program in KX_PROGRAM_INSTALL_DIR. Install rules must use these two variables;
# Help looks from the program's folder along KX_MANUAL_FROM_PROGRAM.
if(WIN32)
    # A Windows program is unpacked into one folder, with its manual beside it.
    set(KX_PROGRAM_INSTALL_DIR ".")
    set(KX_MANUAL_INSTALL_DIR ".")
else()
    set(KX_PROGRAM_INSTALL_DIR "bin")
    set(KX_MANUAL_INSTALL_DIR "share/doc/kxveldran")
endif()
file(RELATIVE_PATH KX_MANUAL_FROM_PROGRAM "/prefix/${KX_PROGRAM_INSTALL_DIR}"
     "/prefix/${KX_MANUAL_INSTALL_DIR}")
if(KX_MANUAL_FROM_PROGRAM STREQUAL "")
    set(KX_MANUAL_FROM_PROGRAM ".")
endif()
