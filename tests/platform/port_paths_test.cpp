#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/linux/linux_ports.h"

namespace kx::link {
namespace {

TEST(PortPaths, UsbAdaptersFirstThenRealPortsInNumericOrder) {
    SerialCandidates found;
    found.byIdTargets = {"/dev/ttyACM1", "/dev/ttyUSB3"};
    found.deviceNames = {"ttyS1",   "ttyUSB10", "ttyUSB3", "ttyUSB2", "ttyS10", "ttyACM1",
                         "ttyACM0", "ttyS2",    "ttyS0",   "ttyUSBx", "console"};
    found.realTtyS = {"ttyS10", "ttyS2", "ttyS7"};  // ttyS7 has no node
    EXPECT_EQ(OrderSerialPorts(found),
              (PortPaths{"/dev/ttyACM1", "/dev/ttyUSB3", "/dev/ttyUSB2", "/dev/ttyUSB10",
                         "/dev/ttyACM0", "/dev/ttyS2", "/dev/ttyS10"}));
    SerialCandidates many;
    for (int i = 11; i >= 0; --i) many.deviceNames.push_back("ttyUSB" + std::to_string(i));
    EXPECT_EQ(OrderSerialPorts(many)[7], "/dev/ttyUSB7");
}

TEST(PortPaths, EnvironmentOverride) {
    EXPECT_EQ(ParsePortOverride(""), std::nullopt);
    EXPECT_EQ(ParsePortOverride(":/tmp/box::/dev/ttyUSB0:"),
              (PortPaths{"", "/tmp/box", "", "/dev/ttyUSB0", ""}));
    EXPECT_EQ(ParsePortOverride("a:b:c:d:e:f:g:h:i"),
              (PortPaths{"a", "b", "c", "d", "e", "f", "g", "h"}));

    const char* saved = std::getenv(kPortsVariable);
    const std::string keep = saved ? saved : "";
    PosixPortProvider ports;
    ::setenv(kPortsVariable, "/tmp/one::/tmp/three", 1);
    EXPECT_EQ(ports.PortName(0), "/tmp/one");
    EXPECT_EQ(ports.PortName(1), "");
    ::setenv(kPortsVariable, "a:b:c:d:e:f:g:h", 1);  // read afresh on every call
    EXPECT_EQ(ports.PortName(7), "h");
    EXPECT_EQ(ports.PortName(1000), "h");
    ::setenv(kPortsVariable, ":", 1);
    OpenFailure why{};
    EXPECT_EQ(ports.Open(0, 115200, why), nullptr);
    EXPECT_EQ(why, OpenFailure::NoSuchPort);
    saved ? ::setenv(kPortsVariable, keep.c_str(), 1) : ::unsetenv(kPortsVariable);
}

}  // namespace
}  // namespace kx::link
