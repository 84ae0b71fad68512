// The Win32 serial port (Windows only; run under Wine here). tools/windows.sh sets
// KX_TEST_COM_PORT to a COM port that a simulated box serves.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "link/port_paths.h"
#include "platform/serial_ports.h"
#include "platform/windows/win32_serial_device.h"

namespace kx::link {
namespace {

class PortsVariable {
  public:
    explicit PortsVariable(const char* value) { Set(value); }
    ~PortsVariable() { Set(""); }
    PortsVariable(const PortsVariable&) = delete;
    PortsVariable& operator=(const PortsVariable&) = delete;

  private:
    static void Set(const char* value) { ASSERT_EQ(_putenv_s(kPortsVariable, value), 0); }
};

bool UnderWine() {
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TEST(Win32Ports, IndicesNameComPortsAndTheVariableNamesOthers) {
    EXPECT_EQ(ComDevicePath("COM3"), "\\\\.\\COM3");
    EXPECT_EQ(ComDevicePath("COM12"), "\\\\.\\COM12");
    EXPECT_EQ(ComDevicePath("\\\\.\\COM12"), "\\\\.\\COM12");
    {
        const auto ports = platform::MakePortProvider();
        EXPECT_EQ(ports->PortName(0), "COM1");
        EXPECT_EQ(ports->PortName(6), "COM7");
        // 7 and every value above it: the last port.
        EXPECT_EQ(ports->PortName(7), "COM8");
        EXPECT_EQ(ports->PortName(8), "COM8");
        EXPECT_EQ(ports->PortName(1000), "COM8");
    }
    {
        PortsVariable override("COM12::\\\\.\\COM3");
        const auto ports = platform::MakePortProvider();
        EXPECT_EQ(ports->PortName(0), "COM12");
        EXPECT_EQ(ports->PortName(1), "");  // no port there
        EXPECT_EQ(ports->PortName(2), "\\\\.\\COM3");
        EXPECT_EQ(ports->PortName(7), "");
        OpenFailure why = OpenFailure::None;
        EXPECT_EQ(ports->Open(1, 115200, why), nullptr);
        EXPECT_EQ(why, OpenFailure::NoSuchPort);
    }
    OpenFailure why = OpenFailure::None;
    EXPECT_EQ(Win32SerialDevice::Open("COM231", 115200, why), nullptr);
    EXPECT_EQ(why, OpenFailure::NoSuchPort);
}

TEST(Win32Ports, OpenIsExclusiveUntilClosed) {
    const char* name = std::getenv("KX_TEST_COM_PORT");
    if (name == nullptr || *name == '\0') {
        GTEST_SKIP() << "needs KX_TEST_COM_PORT, a port with a simulated box (tools/windows.sh)";
    }
    OpenFailure why = OpenFailure::None;
    auto device = Win32SerialDevice::Open(name, 115200, why);
    ASSERT_NE(device, nullptr) << static_cast<int>(why);
    EXPECT_EQ(why, OpenFailure::None);
    EXPECT_TRUE(device->IsAlive());

    // Windows refuses a second open of a port; Wine does not for serial devices.
    if (!UnderWine()) {
        OpenFailure secondWhy = OpenFailure::None;
        EXPECT_EQ(Win32SerialDevice::Open(name, 115200, secondWhy), nullptr);
        EXPECT_EQ(secondWhy, OpenFailure::Busy);
    }

    // Nothing comes without a request: the wait runs out, no sooner than asked.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(device->WaitForInput(1, 30), 0u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));

    device.reset();
    // Closed: the port can be opened again.
    EXPECT_NE(Win32SerialDevice::Open(name, 115200, why), nullptr);
}

}  // namespace
}  // namespace kx::link
