#pragma once
// Why a serial port would not open, in terms a user can act on.

#include <string>

#include "link/serial_device.h"
#include "messages/message_catalogue.h"

namespace kx::link {

// Maps the errno of a failed open()/flock() of a serial device to an OpenFailure.
OpenFailure ClassifyOpenErrno(int err);

// One line in `language` telling the user what to do next, e.g. to join the 'dialout'
// group. `path` is the device path tried (may be empty when the index has no port).
// Empty for OpenFailure::None.
std::string OpenFailureHint(OpenFailure why, const std::string& path, UiLanguage language);

}  // namespace kx::link
