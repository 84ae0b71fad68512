# What `cmake --install` (and so the Debian package, cmake/Package.cmake) puts where:
#   bin/                                kxveldran, kxveldran-cli, kxveldran-sim
#   share/applications/                 kxveldran.desktop
#   share/icons/hicolor/<size>/apps/    kxveldran.png, 16 to 256 pixels
#   share/man/man1/                     one page per program
#   share/doc/kxveldran/                copyright (from LICENSE), README.md.gz, the manual
# The window looks for its manual from its own folder along KX_MANUAL_FROM_PROGRAM
# (cmake/Manual.cmake), so the programs and the manual go where that file says; the other
# documents join the manual.
set(kx_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(kx_generated ${CMAKE_BINARY_DIR}/packaging)
find_program(KX_GZIP gzip REQUIRED)

set(kx_programs "")
foreach(kx_program kxveldran kxveldran-cli kxveldran-sim)
    if(TARGET ${kx_program})
        list(APPEND kx_programs ${kx_program})
    endif()
endforeach()
install(TARGETS ${kx_programs} RUNTIME DESTINATION ${KX_PROGRAM_INSTALL_DIR})

if(TARGET kxveldran)
    if(NOT WIN32)
        # The desktop's menu entry and icon theme; Windows takes the icon from the program.
        install(FILES ${kx_packaging}/kxveldran.desktop DESTINATION share/applications)
        install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/icons/hicolor DESTINATION share/icons
                FILES_MATCHING PATTERN "kxveldran.png")
    endif()
    if(TARGET manual)
        foreach(kx_lang IN ITEMS en zh_CN)
            install(FILES $<TARGET_FILE_DIR:kxveldran>/KX_VELDRAN_${kx_lang}.pdf
                    DESTINATION ${KX_MANUAL_INSTALL_DIR})
        endforeach()
    endif()
endif()

# Man pages: the command line's and the simulator's from their --help and --version
# (help2man), the window's, which takes no options but --version, from a page of its own.
if(KX_MAN_PAGES)
    find_program(KX_HELP2MAN help2man)
    if(NOT KX_HELP2MAN)
        message(FATAL_ERROR "help2man makes the man pages: install it (tools/deps.sh), or "
                            "configure with -DKX_MAN_PAGES=OFF")
    endif()
    set(kx_man_name_kxveldran-cli "command-line front end of the KX_VELDRAN MSP430 programmer")
    set(kx_man_name_kxveldran-sim
        "simulated KX_VELDRAN programmer box with an MSP430, on a pseudo-terminal")
    set(kx_man_pages "")
    foreach(kx_program IN LISTS kx_programs)
        set(kx_page ${kx_generated}/man/${kx_program}.1)
        if(kx_program STREQUAL "kxveldran")
            configure_file(${kx_packaging}/kxveldran.1.in ${kx_page} @ONLY)
            add_custom_command(OUTPUT ${kx_page}.gz
                COMMAND ${KX_GZIP} -9nkf ${kx_page}
                DEPENDS ${kx_page}
                VERBATIM)
        else()
            add_custom_command(OUTPUT ${kx_page}.gz
                COMMAND ${KX_HELP2MAN} --no-info --section=1
                        "--name=${kx_man_name_${kx_program}}"
                        --include=${kx_packaging}/${kx_program}.h2m
                        --output=${kx_page} $<TARGET_FILE:${kx_program}>
                COMMAND ${KX_GZIP} -9nf ${kx_page}
                DEPENDS ${kx_program} ${kx_packaging}/${kx_program}.h2m
                COMMENT "Man page of ${kx_program}"
                VERBATIM)
        endif()
        list(APPEND kx_man_pages ${kx_page}.gz)
    endforeach()
    add_custom_target(man_pages ALL DEPENDS ${kx_man_pages})
    install(FILES ${kx_man_pages} DESTINATION share/man/man1)
endif()

# Debian keeps the licence as doc/<package>/copyright, in its machine-readable form, and
# compresses larger documents.
set(kx_license ${PROJECT_SOURCE_DIR}/LICENSE)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${kx_license})
file(STRINGS ${kx_license} kx_license_lines)
set(kx_copyright_holder "")
set(kx_license_body "")
foreach(kx_line IN LISTS kx_license_lines)
    if(kx_line MATCHES "^Copyright \\(c\\) (.+)$")
        set(kx_copyright_holder ${CMAKE_MATCH_1})
    elseif(kx_copyright_holder)
        if(kx_line STREQUAL "")
            string(APPEND kx_license_body " .\n")
        else()
            string(APPEND kx_license_body " ${kx_line}\n")
        endif()
    endif()
endforeach()
if(NOT kx_copyright_holder)
    message(FATAL_ERROR "${kx_license} has no line 'Copyright (c) ...'")
endif()
string(REGEX REPLACE "^ \\.\n" "" kx_license_body "${kx_license_body}")
file(WRITE ${kx_generated}/copyright
     "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
     "Upstream-Name: ${PROJECT_NAME}\n\n"
     "Files: *\n"
     "Copyright: ${kx_copyright_holder}\n"
     "License: Expat\n"
     "${kx_license_body}")
add_custom_command(OUTPUT ${kx_generated}/README.md.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/README.md ${kx_generated}/README.md
    COMMAND ${KX_GZIP} -9nf ${kx_generated}/README.md
    DEPENDS ${PROJECT_SOURCE_DIR}/README.md
    VERBATIM)
add_custom_target(packaged_docs ALL DEPENDS ${kx_generated}/README.md.gz)
install(FILES ${kx_generated}/copyright ${kx_generated}/README.md.gz
        DESTINATION ${KX_MANUAL_INSTALL_DIR})
