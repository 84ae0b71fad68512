#include "link/open_failure.h"

#include <cerrno>

namespace kx::link {

OpenFailure ClassifyOpenErrno(int err) {
    switch (err) {
        case EACCES:
        case EPERM:
            return OpenFailure::AccessDenied;
        case EBUSY:
        case EWOULDBLOCK:
#if EAGAIN != EWOULDBLOCK
        case EAGAIN:
#endif
            return OpenFailure::Busy;
        case ENOTTY:
        case EISDIR:
        case EINVAL:
            return OpenFailure::ConfigureFailed;
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
        case EIO:  // a serial driver slot without hardware behind it
        default:
            return OpenFailure::NoSuchPort;
    }
}

std::string OpenFailureHint(OpenFailure why, const std::string& path) {
    switch (why) {
        case OpenFailure::None:
            return {};
        case OpenFailure::NoSuchPort:
            if (path.empty()) {
                return "No serial port behind this port number: plug in the programmer, or "
                       "name its device in KX_VELDRAN_PORTS (e.g. "
                       "KX_VELDRAN_PORTS=/dev/ttyUSB0).";
            }
            return path +
                   " does not exist: check that the programmer is plugged in, or set "
                   "KX_VELDRAN_PORTS to its device path.";
        case OpenFailure::AccessDenied:
            return "Permission denied on " + path +
                   ": add your user to the 'dialout' group (sudo usermod -aG dialout $USER) "
                   "and log in again.";
        case OpenFailure::Busy:
            return path +
                   " is in use by another program: close that program (a terminal, "
                   "ModemManager or a second copy of this one) and try again.";
        case OpenFailure::ConfigureFailed:
            return path +
                   " refused the line settings (8 data bits, even parity, 1 stop bit): check "
                   "that it is a serial port.";
    }
    return {};
}

}  // namespace kx::link
