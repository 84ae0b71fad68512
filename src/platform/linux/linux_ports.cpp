#include "platform/linux/linux_ports.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/linux/posix_serial_device.h"
#include "platform/serial_ports.h"

namespace kx::link {
namespace {

namespace fs = std::filesystem;

// Port name families in the order they are offered.
constexpr std::string_view kUsbSerial = "ttyUSB";
constexpr std::string_view kUsbModem = "ttyACM";
constexpr std::string_view kOnboard = "ttyS";

// The number behind `prefix` when `name` is prefix + digits.
std::optional<unsigned long> NumberAfter(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) {
        return std::nullopt;
    }
    unsigned long number = 0;
    for (const char c : name.substr(prefix.size())) {
        if (c < '0' || c > '9' || number > 1'000'000) return std::nullopt;
        number = number * 10 + static_cast<unsigned long>(c - '0');
    }
    return number;
}

std::vector<std::string> FamilyInOrder(const std::vector<std::string>& names,
                                       std::string_view prefix) {
    std::vector<std::pair<unsigned long, std::string>> found;
    for (const std::string& name : names) {
        if (const auto number = NumberAfter(name, prefix)) found.emplace_back(*number, name);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (const auto& entry : found) paths.push_back("/dev/" + entry.second);
    return paths;
}

bool Contains(const std::vector<std::string>& list, const std::string& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

std::string FirstLineOf(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

PortPaths OrderSerialPorts(const SerialCandidates& candidates) {
    std::vector<std::string> ordered;
    const auto add = [&ordered](const std::string& path) {
        if (!path.empty() && !Contains(ordered, path)) ordered.push_back(path);
    };
    for (const std::string& target : candidates.byIdTargets) add(target);
    for (const std::string& path : FamilyInOrder(candidates.deviceNames, kUsbSerial)) add(path);
    for (const std::string& path : FamilyInOrder(candidates.deviceNames, kUsbModem)) add(path);
    std::vector<std::string> realOnboard;
    for (const std::string& name : candidates.deviceNames) {
        if (Contains(candidates.realTtyS, name)) realOnboard.push_back(name);
    }
    for (const std::string& path : FamilyInOrder(realOnboard, kOnboard)) add(path);

    PortPaths paths;
    for (std::size_t i = 0; i < kPortCount && i < ordered.size(); ++i) paths[i] = ordered[i];
    return paths;
}

SerialCandidates ScanSerialCandidates() {
    SerialCandidates candidates;
    std::error_code error;

    std::vector<fs::path> links;
    for (fs::directory_iterator it("/dev/serial/by-id", error), end; !error && it != end;
         it.increment(error)) {
        links.push_back(it->path());
    }
    std::sort(links.begin(), links.end());
    for (const fs::path& link : links) {
        const fs::path target = fs::canonical(link, error);
        if (!error) candidates.byIdTargets.push_back(target.string());
    }

    error.clear();
    for (fs::directory_iterator it("/dev", error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (NumberAfter(name, kUsbSerial) || NumberAfter(name, kUsbModem) ||
            NumberAfter(name, kOnboard)) {
            candidates.deviceNames.push_back(name);
        }
    }

    // Every ttyS slot the 8250 driver reserves has a sysfs entry; the ones with a UART
    // behind them have a device link and a port type other than 0 (unknown).
    for (const std::string& name : candidates.deviceNames) {
        if (!NumberAfter(name, kOnboard)) continue;
        const fs::path sys = fs::path("/sys/class/tty") / name;
        if (!fs::exists(sys / "device", error)) continue;
        if (fs::exists(sys / "type", error) && FirstLineOf(sys / "type") == "0") continue;
        candidates.realTtyS.push_back(name);
    }
    return candidates;
}

PortPaths MachinePortPaths() {
    const char* value = std::getenv(kPortsVariable);
    if (value != nullptr) {
        if (auto paths = ParsePortOverride(value)) return *paths;
    }
    return OrderSerialPorts(ScanSerialCandidates());
}

}  // namespace kx::link

namespace kx::platform {

std::unique_ptr<link::PortProvider> MakePortProvider() {
    return std::make_unique<link::PosixPortProvider>();
}

std::unique_ptr<link::PortProvider> MakePortProvider(const link::PortPaths& fixed) {
    return std::make_unique<link::PosixPortProvider>(fixed);
}

}  // namespace kx::platform

namespace kx::link {

std::unique_ptr<SerialDevice> PosixPortProvider::Open(unsigned index, std::uint32_t baud,
                                                      OpenFailure& why) {
    const std::string path = PortName(index);
    if (path.empty()) {
        why = OpenFailure::NoSuchPort;
        return nullptr;
    }
    return PosixSerialDevice::Open(path, baud, why);
}

std::unique_ptr<SerialDevice> PosixPortProvider::OpenPath(const std::string& path,
                                                          std::uint32_t baud, OpenFailure& why) {
    return PosixSerialDevice::Open(path, baud, why);
}

std::string PosixPortProvider::PortName(unsigned index) const {
    const std::size_t slot = std::min<std::size_t>(index, kPortCount - 1);
    if (fixed_) return (*fixed_)[slot];
    return MachinePortPaths()[slot];
}

}  // namespace kx::link
