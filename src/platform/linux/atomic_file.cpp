#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>

namespace kx {
namespace {

// Records what failed, with the errno the failing call left.
void Fail(WriteFailure* failure, WriteProblem problem, const std::string& path) {
    if (failure) *failure = {problem, path, errno};
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The rest of an open regular file that fstat gave as `expected` bytes long.
std::optional<std::vector<std::uint8_t>> ReadOpenFile(int fd, std::uint64_t expected,
                                                      std::uint64_t maxBytes, ReadFailure& f) {
    // One byte more than expected tells a file that grew since fstat.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(expected) + 1);
    std::size_t done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (done > maxBytes) {
                f = {ReadProblem::TooLarge, 0, done, maxBytes};
                return std::nullopt;
            }
            bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(2 * done, maxBytes + 1)));
        }
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            f = {ReadProblem::ReadFailed, errno};
            return std::nullopt;
        }
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

struct WriteTarget {
    std::string path;      // where the bytes go: the path itself, or the end of its links
    bool inPlace = false;  // a device or FIFO: written directly, never replaced
    bool fifo = false;
};

// Follows symbolic links to the file they name (which need not exist yet), so that saving
// through a link changes the real file and keeps the link.
std::optional<WriteTarget> ResolveWriteTarget(const std::string& path, WriteFailure* failure) {
    constexpr int kMaxLinkHops = 40;
    WriteTarget target{path};
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(target.path.c_str(), &st) != 0) {
            if (errno == ENOENT) return target;
            Fail(failure, WriteProblem::CannotWrite, path);
            return std::nullopt;
        }
        if (S_ISDIR(st.st_mode)) {
            errno = EISDIR;
            Fail(failure, WriteProblem::CannotWrite, path);
            return std::nullopt;
        }
        if (!S_ISLNK(st.st_mode)) {
            target.inPlace = !S_ISREG(st.st_mode);
            target.fifo = S_ISFIFO(st.st_mode);
            return target;
        }
        std::array<char, 4096> link{};
        const ssize_t n = hops < kMaxLinkHops
                              ? ::readlink(target.path.c_str(), link.data(), link.size())
                              : (errno = ELOOP, -1);
        if (n < 0 || static_cast<std::size_t>(n) >= link.size()) {
            if (n >= 0) errno = ENAMETOOLONG;
            Fail(failure, WriteProblem::CannotFollowLink, target.path);
            return std::nullopt;
        }
        const std::string to(link.data(), static_cast<std::size_t>(n));
        target.path = to.front() == '/' ? to : FolderOf(target.path) + "/" + to;
    }
}

// A device or FIFO takes the bytes as they are; a temporary file and a rename would put a
// plain file in its place.
bool WriteInPlace(const WriteTarget& target, const std::string& bytes, WriteFailure* failure) {
    // Non-blocking open: a FIFO that nobody reads is refused at once instead of hanging.
    const int fd = ::open(target.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (target.fifo && errno == ENXIO) {
            errno = 0;
            Fail(failure, WriteProblem::NoReader, target.path);
        } else {
            Fail(failure, WriteProblem::CannotOpen, target.path);
        }
        return false;
    }
    // From here on a write waits for a slow reader.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Fail(failure, WriteProblem::CannotWrite, target.path);
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        Fail(failure, WriteProblem::CannotWrite, target.path);
        return false;
    }
    return true;
}

// A new file beside `path`, created with mode 0666 so that the umask applies as it does to
// any new file, without changing the process-wide umask that other threads rely on.
int CreateTempBeside(const std::string& path, std::string& temp) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        std::array<char, 48> suffix{};
        std::snprintf(suffix.data(), suffix.size(), ".%x%x%x", static_cast<unsigned>(::getpid()),
                      counter.fetch_add(1), static_cast<unsigned>(now & 0xFFFFFF));
        temp = path + suffix.data();
        const int fd =
            ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// A file kept read-only (no write bit for anyone, which even root honours here) or one the
// user may not write is not replaced behind its owner's back.
bool MayReplace(const std::string& path, const struct stat& st, WriteFailure* failure) {
    if ((st.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0) return true;
    errno = EACCES;
    Fail(failure, WriteProblem::ReadOnly, path);
    return false;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadRegularFile(const std::string& path,
                                                         std::uint64_t maxBytes,
                                                         ReadFailure* failure) {
    ReadFailure local;
    ReadFailure& f = failure ? *failure : local;
    // A device is not even opened: opening a serial port, for one, would reset the box on it.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        f = {ReadProblem::NotRegular, 0};
        return std::nullopt;
    }
    // Non-blocking, so that a FIFO put in place since the check cannot hold the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        f = {ReadProblem::CannotOpen, errno};
        return std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> bytes;
    if (::fstat(fd, &st) != 0) {
        f = {ReadProblem::ReadFailed, errno};
    } else if (S_ISDIR(st.st_mode)) {
        f = {ReadProblem::Folder, EISDIR};
    } else if (!S_ISREG(st.st_mode)) {
        f = {ReadProblem::NotRegular, 0};
    } else if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        f = {ReadProblem::TooLarge, 0, static_cast<std::uint64_t>(st.st_size), maxBytes};
    } else {
        bytes = ReadOpenFile(fd, static_cast<std::uint64_t>(st.st_size), maxBytes, f);
    }
    ::close(fd);
    return bytes;
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path,
                                                       ReadFailure* failure) {
    return ReadRegularFile(path, kWholeFileLimit, failure);
}

bool WriteFileAtomically(const std::string& requested, const std::string& bytes,
                         WriteFailure* failure) {
    const auto target = ResolveWriteTarget(requested, failure);
    if (!target) return false;
    if (target->inPlace) return WriteInPlace(*target, bytes, failure);
    const std::string& path = target->path;
    struct stat old {};
    const bool replacing = ::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    if (replacing && !MayReplace(path, old, failure)) return false;
    std::string temp;
    const int fd = CreateTempBeside(path, temp);
    if (fd < 0) {
        Fail(failure, WriteProblem::CannotCreate, FolderOf(path));
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Fail(failure, WriteProblem::CannotWrite, temp);
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    // A replaced file keeps its mode and owner.
    if (replacing &&
        (::fchown(fd, old.st_uid, old.st_gid) != 0 || ::fchmod(fd, old.st_mode & 07777) != 0)) {
        Fail(failure, WriteProblem::CannotKeepOwner, path);
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    if (::fsync(fd) != 0) {
        Fail(failure, WriteProblem::CannotWrite, temp);
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    if (::close(fd) != 0) {
        Fail(failure, WriteProblem::CannotWrite, temp);
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        Fail(failure, WriteProblem::CannotReplace, path);
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace kx
