#include "link/port_paths.h"

namespace kx::link {

std::optional<PortPaths> ParsePortOverride(std::string_view value) {
    if (value.empty()) return std::nullopt;
    PortPaths paths;
    std::size_t index = 0;
    while (index < kPortCount) {
        const std::size_t colon = value.find(':');
        paths[index++] = std::string(value.substr(0, colon));
        if (colon == std::string_view::npos) break;
        value.remove_prefix(colon + 1);
    }
    return paths;
}

}  // namespace kx::link
