#include "link/posix_serial_device.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <thread>

#include "link/link_frame.h"
#include "link/open_failure.h"
#include "link/port_paths.h"
#include "link/programmer_link.h"
#include "pty_peer.h"

namespace kx::link {
namespace {

using testing::PtyPeer;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

PortPaths Only(const std::string& path) {
    PortPaths paths;
    paths[0] = path;
    return paths;
}

double ElapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
        .count();
}

double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

fs::path TempDir() {
    fs::path dir = fs::temp_directory_path() / ("kx_link_test_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return dir;
}

TEST(PosixSerial, RoundTripOverPseudoTerminal) {
    PtyPeer box;
    ASSERT_TRUE(box.Ok());
    PosixPortProvider ports(Only(box.SlavePath()));
    ProgrammerLink link(ports, SystemClock());
    ASSERT_EQ(link.OpenPort(0, 115200), kLinkOk);
    EXPECT_EQ(link.PortName(0), box.SlavePath());

    // On Linux the master reports the slave's settings. Parity cannot be seen there: the
    // pty driver clears PARENB whatever is asked (MakeLineSettings is checked below).
    termios seen{};
    ASSERT_EQ(::tcgetattr(box.MasterFd(), &seen), 0);
    EXPECT_EQ(cfgetospeed(&seen), static_cast<speed_t>(B115200));
    EXPECT_EQ(seen.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(seen.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(seen.c_iflag & (IXON | IXOFF | INPCK | ICRNL), 0u);
    EXPECT_EQ(seen.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(seen.c_oflag & OPOST, 0u);

    // Acknowledge command: the box sees the exact frame and answers 0x90.
    Bytes heard;
    std::thread peer([&] {
        heard = box.ReadExactly(10);
        box.Write({kAck});
    });
    EXPECT_EQ(link.VppTest(), kLinkOk);
    peer.join();
    EXPECT_EQ(heard, BuildLinkFrame(0x7A, Bytes{0, 0, 0, 0}));

    // A 26-byte reply in two pieces, with bytes 0x0A and 0x0D passed through untouched,
    // and a surplus that the next command must not see.
    Bytes reply(26, 0x0D);
    const std::string id = "KX_VELDRAN V02.73A\n";
    std::copy(id.begin(), id.end(), reply.begin() + 4);
    peer = std::thread([&] {
        box.ReadExactly(10);
        box.Write(Bytes(reply.begin(), reply.begin() + 9));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        Bytes rest(reply.begin() + 9, reply.end());
        rest.push_back(kAck);
        box.Write(rest);
    });
    std::array<std::uint8_t, kVersionReplySize> version{};
    EXPECT_EQ(link.GetVersion(version), kLinkOk);
    peer.join();
    EXPECT_EQ(Bytes(version.begin(), version.end()), reply);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

    // Silence: the surplus 0x90 was purged, so this fails after its 500 ms.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(link.BurnFuse(), kLinkCommandFailed);
    const double waited = ElapsedMs(start);
    EXPECT_GE(waited, 495.0);
    EXPECT_LT(waited, 700.0);

    // The loader speed; lines can be driven even though a pty has none.
    ASSERT_EQ(link.OpenPort(0, 9600), kLinkOk);
    ASSERT_EQ(::tcgetattr(box.MasterFd(), &seen), 0);
    EXPECT_EQ(cfgetospeed(&seen), static_cast<speed_t>(B9600));
    link.ResetProgrammer();
    peer = std::thread([&] {
        heard = box.ReadExactly(1);
        box.Write({kAck});
    });
    EXPECT_EQ(link.SyncLoader(), kLinkOk);
    peer.join();
    EXPECT_EQ(heard, Bytes{0x80});

    EXPECT_TRUE(link.IsPortAlive());
    box.CloseMaster();
    EXPECT_FALSE(link.IsPortAlive());
    EXPECT_FALSE(link.IsOpen());
}

TEST(PosixSerial, WaitNoticesBytesPromptlyWithoutSpinning) {
    PtyPeer box;
    ASSERT_TRUE(box.Ok());
    OpenFailure why = OpenFailure::None;
    auto device = PosixSerialDevice::Open(box.SlavePath(), 115200, why);
    ASSERT_TRUE(device) << static_cast<int>(why);

    std::thread peer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        box.Write({1, 2});
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        box.Write({3, 4});
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(device->WaitForInput(3, 2000), 4u);
    const double waited = ElapsedMs(start);
    peer.join();
    EXPECT_GE(waited, 55.0);
    EXPECT_LT(waited, 200.0);
    std::uint8_t got[8] = {};
    EXPECT_EQ(device->Read(got, 3), 3u);
    EXPECT_EQ(got[2], 3);
    EXPECT_EQ(device->QueuedBytes(), 1u);
    device->PurgeReceive();
    EXPECT_EQ(device->QueuedBytes(), 0u);

    // One byte queued, two wanted: sleeping in poll() costs next to no processor time.
    box.Write({9});
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const double cpuBefore = ThreadCpuMs();
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(device->WaitForInput(2, 200), 1u);
    EXPECT_GE(ElapsedMs(start), 199.0);
    EXPECT_LT(ThreadCpuMs() - cpuBefore, 50.0);

    device->Drain(10);  // nothing pending: returns at once
    EXPECT_TRUE(device->Write(Bytes{5, 6}.data(), 2));
    EXPECT_EQ(box.ReadExactly(2), (Bytes{5, 6}));
}

TEST(PosixSerial, SecondOpenOfAHeldPortIsBusy) {
    PtyPeer box;
    ASSERT_TRUE(box.Ok());
    OpenFailure why = OpenFailure::None;
    auto first = PosixSerialDevice::Open(box.SlavePath(), 115200, why);
    ASSERT_TRUE(first);
    auto second = PosixSerialDevice::Open(box.SlavePath(), 9600, why);
    EXPECT_FALSE(second);
    EXPECT_EQ(why, OpenFailure::Busy);
    // The refused open left the holder's line settings alone.
    termios seen{};
    ASSERT_EQ(::tcgetattr(box.MasterFd(), &seen), 0);
    EXPECT_EQ(cfgetospeed(&seen), static_cast<speed_t>(B115200));
    first.reset();
    second = PosixSerialDevice::Open(box.SlavePath(), 9600, why);
    EXPECT_TRUE(second);
    EXPECT_EQ(why, OpenFailure::None);
}

TEST(PosixSerial, VanishedDeviceNodeIsDead) {
    PtyPeer box;
    ASSERT_TRUE(box.Ok());
    const fs::path dir = TempDir();
    const fs::path alias = dir / "programmer";
    fs::remove(alias);
    fs::create_symlink(box.SlavePath(), alias);
    OpenFailure why = OpenFailure::None;
    auto device = PosixSerialDevice::Open(alias.string(), 115200, why);
    ASSERT_TRUE(device);
    EXPECT_TRUE(device->IsAlive());
    fs::remove(alias);
    EXPECT_FALSE(device->IsAlive());
    fs::remove_all(dir);
}

TEST(PosixSerial, OpenFailuresAreClassified) {
    const fs::path dir = TempDir();
    OpenFailure why = OpenFailure::None;
    EXPECT_FALSE(PosixSerialDevice::Open((dir / "no-such-tty").string(), 115200, why));
    EXPECT_EQ(why, OpenFailure::NoSuchPort);
    EXPECT_FALSE(PosixSerialDevice::Open("", 115200, why));
    EXPECT_EQ(why, OpenFailure::NoSuchPort);

    const fs::path plain = dir / "plain-file";
    { std::FILE* f = std::fopen(plain.c_str(), "w"); ASSERT_NE(f, nullptr); std::fclose(f); }
    EXPECT_FALSE(PosixSerialDevice::Open(plain.string(), 115200, why));
    EXPECT_EQ(why, OpenFailure::ConfigureFailed);
    EXPECT_FALSE(PosixSerialDevice::Open(dir.string(), 115200, why));
    EXPECT_EQ(why, OpenFailure::ConfigureFailed);

    PtyPeer box;
    ASSERT_TRUE(box.Ok());
    EXPECT_FALSE(PosixSerialDevice::Open(box.SlavePath(), 12345, why));
    EXPECT_EQ(why, OpenFailure::ConfigureFailed);

    // Root opens anything, so permission can only be tried as another user.
    if (::geteuid() != 0) {
        ::chmod(plain.c_str(), 0);
        EXPECT_FALSE(PosixSerialDevice::Open(plain.string(), 115200, why));
        EXPECT_EQ(why, OpenFailure::AccessDenied);
    }

    // Through the link: a failed open leaves nothing open and keeps the reason.
    PortPaths paths;
    paths[0] = box.SlavePath();
    paths[7] = plain.string();
    PosixPortProvider ports(paths);
    ProgrammerLink link(ports, SystemClock());
    ASSERT_EQ(link.OpenPort(0, 115200), kLinkOk);
    EXPECT_EQ(link.OpenPort(3, 115200), kLinkOpenFailed);  // index without a path
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(link.LastOpenFailure(), OpenFailure::NoSuchPort);
    EXPECT_EQ(link.OpenPort(12, 115200), kLinkOpenFailed);  // means index 7
    EXPECT_EQ(link.LastOpenFailure(), OpenFailure::ConfigureFailed);
    fs::remove_all(dir);
}

TEST(PosixSerial, ErrnoMappingAndHints) {
    EXPECT_EQ(ClassifyOpenErrno(EACCES), OpenFailure::AccessDenied);
    EXPECT_EQ(ClassifyOpenErrno(EPERM), OpenFailure::AccessDenied);
    EXPECT_EQ(ClassifyOpenErrno(ENOENT), OpenFailure::NoSuchPort);
    EXPECT_EQ(ClassifyOpenErrno(ENODEV), OpenFailure::NoSuchPort);
    EXPECT_EQ(ClassifyOpenErrno(ENXIO), OpenFailure::NoSuchPort);
    EXPECT_EQ(ClassifyOpenErrno(EIO), OpenFailure::NoSuchPort);
    EXPECT_EQ(ClassifyOpenErrno(EBUSY), OpenFailure::Busy);
    EXPECT_EQ(ClassifyOpenErrno(EWOULDBLOCK), OpenFailure::Busy);
    EXPECT_EQ(ClassifyOpenErrno(ENOTTY), OpenFailure::ConfigureFailed);

    EXPECT_EQ(OpenFailureHint(OpenFailure::AccessDenied, "/dev/ttyUSB0"),
              "Permission denied on /dev/ttyUSB0: add your user to the 'dialout' group "
              "(sudo usermod -aG dialout $USER) and log in again.");
    EXPECT_EQ(OpenFailureHint(OpenFailure::None, "/dev/ttyUSB0"), "");
    for (OpenFailure why : {OpenFailure::NoSuchPort, OpenFailure::Busy,
                            OpenFailure::ConfigureFailed}) {
        const std::string hint = OpenFailureHint(why, "/dev/ttyACM3");
        EXPECT_NE(hint.find("/dev/ttyACM3"), std::string::npos) << hint;
    }
    EXPECT_NE(OpenFailureHint(OpenFailure::NoSuchPort, "").find("KX_VELDRAN_PORTS"),
              std::string::npos);
}

TEST(PosixSerial, LineSettingsAre8E1RawWithoutFlowControl) {
    termios t{};
    std::memset(&t, 0xFF, sizeof t);  // as if the driver reported every flag set
    ASSERT_TRUE(MakeLineSettings(t, 9600));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_NE(t.c_cflag & PARENB, 0u);
    EXPECT_EQ(t.c_cflag & (PARODD | CSTOPB | CRTSCTS | CMSPAR), 0u);
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(t.c_iflag & (INPCK | PARMRK | IGNPAR | ISTRIP | IXON | IXOFF | IXANY | ICRNL |
                           INLCR | IGNCR | BRKINT),
              0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_FALSE(MakeLineSettings(t, 12345));
}

}  // namespace
}  // namespace kx::link
