#pragma once
// The `devices` command: the device catalogue as a table for people and scripts.

#include <string>

namespace kx::cli {

// One header line, then one line per row: row number, name, flash range, modes.
std::string DeviceListText();

}  // namespace kx::cli
