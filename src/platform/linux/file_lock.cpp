#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kx::platform {
namespace {

// Closes the descriptor (and so releases its lock) on every way out.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

  private:
    int fd_;
};

bool WriteAll(int fd, const std::string& bytes) {
    // One write: with O_APPEND it lands whole at the end; a short one is reported.
    ssize_t n = 0;
    do {
        n = ::write(fd, bytes.data(), bytes.size());
    } while (n < 0 && errno == EINTR);
    if (n == static_cast<ssize_t>(bytes.size())) return true;
    if (n >= 0) errno = ENOSPC;
    return false;
}

AppendFailure FailureOf(int error) {
    if (error == EISDIR) return {AppendFailure::Kind::Folder, {}};
    if (error == EACCES || error == EPERM || error == EROFS) {
        return {AppendFailure::Kind::ReadOnly, {}};
    }
    return {AppendFailure::Kind::Other, std::strerror(error)};
}

}  // namespace

std::optional<LockFile> LockFile::Open(const std::string& path, std::string* reason) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    // Someone else's lock file in a shared folder can still be locked for reading.
    if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *reason = std::strerror(errno);
        return std::nullopt;
    }
    return LockFile(fd);
}

LockFile::Attempt LockFile::TryLock(std::string* reason) {
    for (;;) {
        if (::flock(static_cast<int>(handle_), LOCK_EX | LOCK_NB) == 0) return Attempt::Taken;
        if (errno == EINTR) continue;
        if (errno == EWOULDBLOCK) return Attempt::HeldElsewhere;
        *reason = std::strerror(errno);
        return Attempt::Failed;
    }
}

LockFile::~LockFile() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));  // closing drops the lock
}

LockFile::LockFile(LockFile&& other) noexcept : handle_(other.handle_) {
    other.handle_ = -1;
}

std::optional<AppendFailure> AppendUnderLock(
    const std::string& path, const std::function<std::string(bool empty)>& bytesFor) {
    const Descriptor fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (fd.Get() < 0) return FailureOf(errno);
    int locked = 0;
    do {
        locked = ::flock(fd.Get(), LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) return FailureOf(errno);
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) return FailureOf(errno);
    if (!WriteAll(fd.Get(), bytesFor(st.st_size == 0))) {
        const int error = errno;
        if (S_ISREG(st.st_mode) && ::ftruncate(fd.Get(), st.st_size) != 0) {
            // Nothing more can be done; the reason below is the write's.
        }
        return FailureOf(error);
    }
    if (::fsync(fd.Get()) != 0 && errno != EINVAL) return FailureOf(errno);
    return std::nullopt;
}

}  // namespace kx::platform
