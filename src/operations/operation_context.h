#pragma once
// What every programmer operation works on and reports through. The window and the
// command line each own one set of these objects and pass them in.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/clock.h"
#include "image/code_image.h"
#include "link/programmer_link.h"
#include "messages/output.h"
#include "security/security_words.h"

namespace kx::ops {

enum class ProgrammingMode : std::uint8_t { Jtag, Bsl, Sbw };

// The window's choices at the moment a command starts ("take the values").
struct OperationInputs {
    int deviceRow = 0;
    ProgrammingMode mode = ProgrammingMode::Jtag;
    bool supplyPower = true;      // 1024
    bool erase = true;            // 1015
    bool protectInfo = false;     // 1013
    bool eraseSegA = true;        // 1021
    bool program = true;          // 1016
    bool verify = true;           // 1017
    bool burnFuse = false;        // 1018
    bool useProductInfo = false;  // 1019
    bool runAfter = true;         // 1025
    bool autoIncrement = false;   // 1023
    bool beep = false;            // 1031 (the Output decides how to beep)
    std::string productName = "KX_VELDRAN";  // UTF-8; at most 19 bytes in GBK
    std::uint32_t serial = 12345;            // the serial counter
    bool serialHex = false;                  // HEX (1052) rather than DEC (1051)
    std::string infoAddressText = "1000";    // 1048, hexadecimal
    bool readByDevice = false;               // 1026 rather than 1027
    std::string readAddressText;             // 1028, hexadecimal
    std::string readLengthText;              // 1029, hexadecimal
    std::string countLimitText = "0";        // 1053, decimal

    // Where a counted serial number comes from (automatic increment with product
    // information). Unset: the run stamps `serial` and reports serial + 1. Set: called once,
    // just before the record goes out, with `serial`; returns the number to stamp after
    // storing the advanced counter durably, or nullopt to stop the run (the caller has said
    // why). Once it returned a number, that number counts as used unless the run calls
    // `releaseSerial` because it stopped before the record was sent.
    std::function<std::optional<std::uint32_t>(std::uint32_t)> reserveSerial;
    std::function<void(std::uint32_t)> releaseSerial;
};

// The objects an operation works on; all owned by the caller.
struct OperationContext {
    link::ProgrammerLink& link;
    Output& out;
    Clock& clock;
    image::CodeImage& image;
    security::SecurityWords& words;
};

}  // namespace kx::ops
