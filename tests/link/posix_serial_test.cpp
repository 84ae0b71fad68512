#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <thread>

#include "link/link_frame.h"
#include "link/open_failure.h"
#include "link/port_paths.h"
#include "link/posix_serial_device.h"
#include "link/programmer_link.h"

namespace kx::link {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

// The box's end of a pseudo-terminal; the link opens `slave`.
struct Pty {
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            slave = ::ptsname(master);
    }
    ~Pty() { Close(); }
    void Close() {
        if (master >= 0) ::close(master);
        master = -1;
    }
    Bytes Read(std::size_t n) {  // up to n bytes within 2 s
        Bytes got;
        pollfd watch{master, POLLIN, 0};
        while (got.size() < n && ::poll(&watch, 1, 2000) > 0) {
            std::uint8_t byte = 0;
            if (::read(master, &byte, 1) != 1) break;
            got.push_back(byte);
        }
        return got;
    }
    void Write(const Bytes& b) {
        ASSERT_EQ(::write(master, b.data(), b.size()), ssize_t(b.size()));
    }
    termios Seen() const {
        termios t{};
        ::tcgetattr(master, &t);  // on Linux: the slave's settings
        return t;
    }
    int master = -1;
    std::string slave;
};

double MsSince(Steady::time_point t) {
    return std::chrono::duration<double, std::milli>(Steady::now() - t).count();
}

double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

TEST(PosixSerial, LinkRoundTripOverPseudoTerminal) {
    Pty box;
    ASSERT_FALSE(box.slave.empty());
    PosixPortProvider ports(PortPaths{box.slave});
    ProgrammerLink link(ports, SystemClock());
    ASSERT_EQ(link.OpenPort(0, 115200), kLinkOk);
    termios seen = box.Seen();
    EXPECT_EQ(cfgetospeed(&seen), speed_t(B115200));
    EXPECT_EQ(seen.c_cflag & (CSIZE | CSTOPB), tcflag_t(CS8));
    EXPECT_EQ(seen.c_iflag & (IXON | IXOFF | INPCK | ICRNL), 0u);
    EXPECT_EQ(seen.c_lflag & (ICANON | ECHO), 0u);
    // Parity is not visible here: the pty driver clears PARENB whatever is set.

    Bytes heard;
    std::thread peer([&] {
        heard = box.Read(10);
        box.Write({kAck});
    });
    EXPECT_EQ(link.VppTest(), kLinkOk);
    peer.join();
    EXPECT_EQ(heard, BuildLinkFrame(0x7A, Bytes(4, 0)));

    // 26 bytes in two pieces, CR and LF untouched, plus a surplus 0x90 that must not
    // answer the next command.
    Bytes reply(26, 0x0D);
    reply[5] = 0x0A;
    peer = std::thread([&] {
        box.Read(10);
        box.Write(Bytes(reply.begin(), reply.begin() + 9));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        box.Write(Bytes(reply.begin() + 9, reply.end()));
        box.Write({kAck});
    });
    std::array<std::uint8_t, kVersionReplySize> version{};
    EXPECT_EQ(link.GetVersion(version), kLinkOk);
    peer.join();
    EXPECT_EQ(Bytes(version.begin(), version.end()), reply);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto start = Steady::now();
    EXPECT_EQ(link.BurnFuse(), kLinkCommandFailed);
    EXPECT_GE(MsSince(start), 495.0);
    EXPECT_LT(MsSince(start), 700.0);

    // Reopening with the settings already in place: the kernel then reports that nothing
    // it was asked for changed (EINVAL, PARENB being dropped on a pty), which is no failure.
    ASSERT_EQ(link.OpenPort(0, 115200), kLinkOk);
    ASSERT_EQ(link.OpenPort(0, 9600), kLinkOk);
    seen = box.Seen();
    EXPECT_EQ(cfgetospeed(&seen), speed_t(B9600));
    link.ResetProgrammer();  // a pty has no modem lines: ignored
    peer = std::thread([&] {
        heard = box.Read(1);
        box.Write({kAck});
    });
    EXPECT_EQ(link.SyncLoader(), kLinkOk);
    peer.join();
    EXPECT_EQ(heard, Bytes{0x80});

    EXPECT_TRUE(link.IsPortAlive());
    box.Close();
    EXPECT_FALSE(link.IsPortAlive());
    EXPECT_FALSE(link.IsOpen());
}

TEST(PosixSerial, WaitSleepsInPollInsteadOfSpinning) {
    Pty box;
    OpenFailure why{};
    auto device = PosixSerialDevice::Open(box.slave, 115200, why);
    ASSERT_TRUE(device);
    // One byte there, two wanted, the second comes 100 ms later: the wait sleeps in
    // poll() meanwhile (no spinning on the byte already queued) and wakes for it.
    box.Write({8});
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::thread peer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        box.Write({9});
    });
    const double cpu = ThreadCpuMs();
    const auto start = Steady::now();
    EXPECT_EQ(device->WaitForInput(2, 2000), 2u);
    EXPECT_GE(MsSince(start), 95.0);
    EXPECT_LT(MsSince(start), 300.0);
    EXPECT_LT(ThreadCpuMs() - cpu, 30.0);
    peer.join();
}

TEST(PosixSerial, ExclusiveOpenAndVanishedNode) {
    Pty box;
    const fs::path alias = fs::temp_directory_path() / ("kx_link_" + std::to_string(::getpid()));
    fs::remove(alias);
    fs::create_symlink(box.slave, alias);
    OpenFailure why{};
    auto first = PosixSerialDevice::Open(alias, 115200, why);
    ASSERT_TRUE(first);
    EXPECT_FALSE(PosixSerialDevice::Open(box.slave, 9600, why));
    EXPECT_EQ(why, OpenFailure::Busy);
    termios seen = box.Seen();  // the refused open left the holder's settings alone
    EXPECT_EQ(cfgetospeed(&seen), speed_t(B115200));
    EXPECT_TRUE(first->IsAlive());
    fs::remove(alias);
    EXPECT_FALSE(first->IsAlive());
    first.reset();
    EXPECT_TRUE(PosixSerialDevice::Open(box.slave, 9600, why));
}

TEST(PosixSerial, OpenFailuresAreClassified) {
    const fs::path dir = fs::temp_directory_path() / ("kx_link_dir_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path plain = dir / "plain";
    std::fclose(std::fopen(plain.c_str(), "w"));
    Pty box;
    struct Case {
        std::string path;
        std::uint32_t baud;
        OpenFailure want;
    };
    std::vector<Case> cases = {{(dir / "none").string(), 115200, OpenFailure::NoSuchPort},
                               {"", 115200, OpenFailure::NoSuchPort},
                               {plain.string(), 115200, OpenFailure::ConfigureFailed},
                               {dir.string(), 115200, OpenFailure::ConfigureFailed},
                               {box.slave, 12345, OpenFailure::ConfigureFailed}};
    if (::geteuid() != 0) {  // root opens anything
        const fs::path locked = dir / "locked";
        std::fclose(std::fopen(locked.c_str(), "w"));
        ::chmod(locked.c_str(), 0);
        cases.push_back({locked.string(), 115200, OpenFailure::AccessDenied});
    }
    for (const Case& c : cases) {
        OpenFailure why{};
        EXPECT_FALSE(PosixSerialDevice::Open(c.path, c.baud, why)) << c.path;
        EXPECT_EQ(why, c.want) << c.path;
    }
    fs::remove_all(dir);

    EXPECT_EQ(ClassifyOpenErrno(EACCES), OpenFailure::AccessDenied);
    EXPECT_EQ(ClassifyOpenErrno(ENOENT), OpenFailure::NoSuchPort);
    EXPECT_EQ(ClassifyOpenErrno(EBUSY), OpenFailure::Busy);
    EXPECT_EQ(ClassifyOpenErrno(EWOULDBLOCK), OpenFailure::Busy);
    EXPECT_EQ(OpenFailureHint(OpenFailure::AccessDenied, "/dev/ttyUSB0"),
              "Permission denied on /dev/ttyUSB0: add your user to the 'dialout' group "
              "(sudo usermod -aG dialout $USER) and log in again.");
    EXPECT_EQ(OpenFailureHint(OpenFailure::None, "/dev/ttyUSB0"), "");
    EXPECT_NE(OpenFailureHint(OpenFailure::Busy, "/dev/ttyACM3").find("/dev/ttyACM3"),
              std::string::npos);
}

TEST(PosixSerial, LineSettingsAre8E1RawWithoutFlowControl) {
    termios t{};
    std::memset(&t, 0xFF, sizeof t);  // as if the driver reported every flag set
    ASSERT_TRUE(MakeLineSettings(t, 9600));
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CMSPAR | CLOCAL | CREAD),
              tcflag_t(CS8 | PARENB | CLOCAL | CREAD));
    EXPECT_EQ(t.c_iflag & (INPCK | PARMRK | ISTRIP | IXON | IXOFF | IXANY | ICRNL | IGNCR), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_cc[VMIN] | t.c_cc[VTIME], 0);
    EXPECT_EQ(cfgetispeed(&t), speed_t(B9600));
    EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));
    EXPECT_FALSE(MakeLineSettings(t, 12345));
}

}  // namespace
}  // namespace kx::link
