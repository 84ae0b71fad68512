#include "platform/system_info.h"

#include <unistd.h>

#include <array>
#include <filesystem>
#include <system_error>

namespace kx::platform {

std::string HostName() {
    std::array<char, 256> name{};
    if (::gethostname(name.data(), name.size() - 1) != 0) return {};
    return name.data();
}

bool LocalTime(std::time_t when, std::tm& local) {
    return ::localtime_r(&when, &local) != nullptr;
}

std::string ExecutableFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

bool FolderWritable(const std::string& folder) {
    return ::access(folder.c_str(), W_OK) == 0;
}

std::string AppDataFolder() {
    return {};
}

}  // namespace kx::platform
