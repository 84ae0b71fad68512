# The icon and version record of a Windows program, as a resource script compiled into it:
#   kx_add_windows_resource(<target> ICON <file.ico>)
# File and product version come from project(), the names from the project and the target,
# the copyright line and its holder from LICENSE.
set(kx_rc_template ${PROJECT_SOURCE_DIR}/resources/windows/program.rc.in)
set(kx_rc_license ${PROJECT_SOURCE_DIR}/LICENSE)

function(kx_add_windows_resource target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "ICON" "")
    if(NOT arg_ICON OR NOT EXISTS ${arg_ICON})
        message(FATAL_ERROR "kx_add_windows_resource(${target}): no icon file '${arg_ICON}'")
    endif()
    file(STRINGS ${kx_rc_license} KX_RC_COPYRIGHT REGEX "^Copyright \\(c\\) " LIMIT_COUNT 1)
    string(REGEX REPLACE "^Copyright \\(c\\) ([0-9]+([-, ]+[0-9]+)* )?" "" KX_RC_HOLDER
           "${KX_RC_COPYRIGHT}")
    if(NOT KX_RC_HOLDER)
        message(FATAL_ERROR "${kx_rc_license} has no line 'Copyright (c) <year> <holder>'")
    endif()
    # A quote inside a resource string is written twice.
    string(REPLACE "\"" "\"\"" KX_RC_COPYRIGHT "${KX_RC_COPYRIGHT}")
    string(REPLACE "\"" "\"\"" KX_RC_HOLDER "${KX_RC_HOLDER}")
    # The record always holds four numbers; a shorter project() version is padded with zeros.
    foreach(part PATCH TWEAK)
        set(KX_RC_VERSION_${part} ${PROJECT_VERSION_${part}})
        if(KX_RC_VERSION_${part} STREQUAL "")
            set(KX_RC_VERSION_${part} 0)
        endif()
    endforeach()
    get_target_property(KX_RC_INTERNAL_NAME ${target} OUTPUT_NAME)
    if(NOT KX_RC_INTERNAL_NAME)
        set(KX_RC_INTERNAL_NAME ${target})
    endif()
    set(KX_RC_FILE_NAME ${KX_RC_INTERNAL_NAME}${CMAKE_EXECUTABLE_SUFFIX})
    set(KX_RC_ICON ${arg_ICON})

    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    configure_file(${kx_rc_template} ${rc} @ONLY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${kx_rc_license})
    # The compiler reads the icon, which no dependency scan sees.
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${arg_ICON})
    target_sources(${target} PRIVATE ${rc})
endfunction()
