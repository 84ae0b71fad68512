#include "platform/system_info.h"

#include <windows.h>

#include <array>
#include <cstdlib>

namespace kx::platform {

std::string HostName() {
    std::array<char, 256> name{};
    DWORD size = static_cast<DWORD>(name.size());
    if (!::GetComputerNameExA(ComputerNameDnsHostname, name.data(), &size)) return {};
    return std::string(name.data(), size);
}

bool LocalTime(std::time_t when, std::tm& local) {
    return ::localtime_s(&local, &when) == 0;
}

std::string ExecutableFolder() {
    std::array<char, MAX_PATH + 1> path{};
    const DWORD n = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) return {};
    std::string exe(path.data(), n);
    const auto slash = exe.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

bool FolderWritable(const std::string& folder) {
    // Windows' access checks live in the folder's ACL, which no mode bit shows: only making
    // a file there tells. The probe is deleted when its handle closes.
    const std::string probe =
        folder + "\\KX_VELDRAN." + std::to_string(::GetCurrentProcessId()) + ".probe";
    const HANDLE file =
        ::CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(file);
    return true;
}

std::string AppDataFolder() {
    const char* appData = std::getenv("APPDATA");
    return appData != nullptr ? std::string(appData) : std::string();
}

}  // namespace kx::platform
