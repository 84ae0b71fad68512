# Turns the two firmware containers into a C++ source of read-only arrays.
# Run as: cmake -DFIRMWARE_DIR=<folder> -DOUTPUT=<file.cpp> -P embed_firmware.cmake
# A missing file becomes an empty array; the update then refuses to start.

function(kx_embed_array path var out_text)
    set(bytes "")
    set(count 0)
    if(EXISTS "${path}")
        file(READ "${path}" hex HEX)
        string(LENGTH "${hex}" hex_length)
        math(EXPR count "${hex_length} / 2")
        # Lines of 16 values: break the hex text every 32 digits, then make the values.
        string(REPEAT "[0-9a-f]" 32 line_pattern)
        string(REGEX REPLACE "(${line_pattern})" "\\1\n    " hex "${hex}")
        string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    endif()
    set(${out_text}
        "constexpr std::array<std::uint8_t, ${count}> ${var}{{\n    ${bytes}\n}};\n"
        PARENT_SCOPE)
endfunction()

kx_embed_array("${FIRMWARE_DIR}/programmer_firmware.bin" kProgrammerFirmware fw_text)
kx_embed_array("${FIRMWARE_DIR}/loader_patch.bin" kLoaderPatch patch_text)

set(text "// Generated from ${FIRMWARE_DIR} by embed_firmware.cmake; do not edit.\n")
string(APPEND text "#include <array>\n#include <cstdint>\n#include <span>\n\n")
string(APPEND text "#include \"operations/firmware_container.h\"\n\n")
string(APPEND text "namespace kx::ops {\nnamespace {\n\n${fw_text}\n${patch_text}\n}  // namespace\n\n")
string(APPEND text "std::span<const std::uint8_t> ProgrammerFirmwareBytes() { return kProgrammerFirmware; }\n")
string(APPEND text "std::span<const std::uint8_t> LoaderPatchBytes() { return kLoaderPatch; }\n\n")
string(APPEND text "}  // namespace kx::ops\n")

file(WRITE "${OUTPUT}" "${text}")
