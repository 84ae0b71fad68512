#pragma once
// The `devices` command: the device catalogue as a table for people and scripts.

#include <string>

#include "messages/message_catalogue.h"

namespace kx::cli {

// One header line in `language`, then one line per row: row number, name, flash range, modes.
std::string DeviceListText(UiLanguage language);

}  // namespace kx::cli
