#include "link/port_paths.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kx::link {
namespace {

PortPaths Paths(std::initializer_list<const char*> list) {
    PortPaths paths;
    std::size_t i = 0;
    for (const char* p : list) paths[i++] = p;
    return paths;
}

TEST(PortPaths, UsbAdaptersFirstThenRealPortsInNumericOrder) {
    SerialCandidates found;
    found.byIdTargets = {"/dev/ttyACM1", "/dev/ttyUSB3"};
    found.deviceNames = {"ttyS1",  "ttyUSB10", "ttyUSB3", "ttyUSB2", "ttyS10", "ttyACM1",
                         "ttyACM0", "ttyS2",   "ttyS0",   "ttyUSBx", "ttySx"};
    found.realTtyS = {"ttyS10", "ttyS2", "ttyS7"};  // ttyS7 has no node
    EXPECT_EQ(OrderSerialPorts(found),
              Paths({"/dev/ttyACM1", "/dev/ttyUSB3", "/dev/ttyUSB2", "/dev/ttyUSB10",
                     "/dev/ttyACM0", "/dev/ttyS2", "/dev/ttyS10"}));

    SerialCandidates many;
    for (int i = 11; i >= 0; --i) many.deviceNames.push_back("ttyUSB" + std::to_string(i));
    many.deviceNames.push_back("ttyS0");
    many.realTtyS = {"ttyS0"};
    const PortPaths first8 = OrderSerialPorts(many);
    EXPECT_EQ(first8[0], "/dev/ttyUSB0");
    EXPECT_EQ(first8[7], "/dev/ttyUSB7");

    EXPECT_EQ(OrderSerialPorts({}), PortPaths{});
}

TEST(PortPaths, EnvironmentOverride) {
    EXPECT_EQ(ParsePortOverride(""), std::nullopt);
    EXPECT_EQ(ParsePortOverride("/dev/pts/3"), Paths({"/dev/pts/3"}));
    EXPECT_EQ(ParsePortOverride(":/tmp/box::/dev/ttyUSB0:"),
              Paths({"", "/tmp/box", "", "/dev/ttyUSB0", ""}));
    EXPECT_EQ(ParsePortOverride("a:b:c:d:e:f:g:h:i:j"),
              Paths({"a", "b", "c", "d", "e", "f", "g", "h"}));

    const char* saved = std::getenv(kPortsVariable);
    const std::string keep = saved != nullptr ? saved : "";
    ::setenv(kPortsVariable, "/tmp/one::/tmp/three", 1);
    PosixPortProvider ports;
    EXPECT_EQ(ports.PortName(0), "/tmp/one");
    EXPECT_EQ(ports.PortName(1), "");
    EXPECT_EQ(ports.PortName(2), "/tmp/three");
    ::setenv(kPortsVariable, "a:b:c:d:e:f:g:h", 1);
    EXPECT_EQ(ports.PortName(7), "h");
    EXPECT_EQ(ports.PortName(8), "h");
    EXPECT_EQ(ports.PortName(1000), "h");
    OpenFailure why = OpenFailure::None;
    ::setenv(kPortsVariable, ":", 1);
    EXPECT_EQ(ports.Open(0, 115200, why), nullptr);
    EXPECT_EQ(why, OpenFailure::NoSuchPort);
    if (saved != nullptr) {
        ::setenv(kPortsVariable, keep.c_str(), 1);
    } else {
        ::unsetenv(kPortsVariable);
    }
}

}  // namespace
}  // namespace kx::link
