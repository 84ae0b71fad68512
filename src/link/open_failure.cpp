#include "link/open_failure.h"

#include <cerrno>

#include "messages/text_catalogue.h"

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

std::string OpenFailureHint(OpenFailure why, const std::string& path, UiLanguage language) {
    switch (why) {
        case OpenFailure::None:
            return {};
        case OpenFailure::NoSuchPort:
            if (path.empty()) return SayText(language, Text::PortNumberWithoutPort);
            return SayText(language, Text::PortMissing, {path});
        case OpenFailure::AccessDenied:
            return SayText(language, Text::PortPermissionDenied, {path});
        case OpenFailure::Busy:
            return SayText(language, Text::PortInUse, {path});
        case OpenFailure::ConfigureFailed:
            return SayText(language, Text::PortRefusedLineSettings, {path});
    }
    return {};
}

}  // namespace kx::link
