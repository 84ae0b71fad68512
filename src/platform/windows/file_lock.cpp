#include "platform/file_lock.h"

#include <windows.h>

#include "platform/windows/win32_errors.h"

namespace kx::platform {
namespace {

using win32::SystemText;

HANDLE AsHandle(long long handle) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle));
}

// The whole file, however long it grows: every writer locks the same range.
bool LockWhole(HANDLE file, DWORD flags) {
    OVERLAPPED at{};
    return ::LockFileEx(file, flags, 0, MAXDWORD, MAXDWORD, &at) != 0;
}

AppendFailure FailureOf(DWORD error) {
    if (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT) {
        return {AppendFailure::Kind::ReadOnly, {}};
    }
    return {AppendFailure::Kind::Other, SystemText(error)};
}

}  // namespace

std::optional<LockFile> LockFile::Open(const std::string& path, std::string* reason) {
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    // Someone else's lock file in a shared folder can still be locked for reading.
    if (file == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED) {
        file = ::CreateFileA(path.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) {
        *reason = SystemText(::GetLastError());
        return std::nullopt;
    }
    return LockFile(static_cast<long long>(reinterpret_cast<intptr_t>(file)));
}

LockFile::Attempt LockFile::TryLock(std::string* reason) {
    if (LockWhole(AsHandle(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY)) {
        return Attempt::Taken;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) return Attempt::HeldElsewhere;
    *reason = SystemText(error);
    return Attempt::Failed;
}

LockFile::~LockFile() {
    if (handle_ != -1) ::CloseHandle(AsHandle(handle_));  // closing drops the lock
}

LockFile::LockFile(LockFile&& other) noexcept : handle_(other.handle_) {
    other.handle_ = -1;
}

std::optional<AppendFailure> AppendUnderLock(
    const std::string& path, const std::function<std::string(bool empty)>& bytesFor) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return AppendFailure{AppendFailure::Kind::Folder, {}};
    }
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FailureOf(::GetLastError());
    std::optional<AppendFailure> failure;
    // Under the lock the end of the file stays where it is until the piece is written.
    if (!LockWhole(file, LOCKFILE_EXCLUSIVE_LOCK)) {
        failure = FailureOf(::GetLastError());
    } else {
        LARGE_INTEGER size{};
        const LARGE_INTEGER zero{};
        if (!::GetFileSizeEx(file, &size) || !::SetFilePointerEx(file, zero, nullptr, FILE_END)) {
            failure = FailureOf(::GetLastError());
        } else {
            const std::string bytes = bytesFor(size.QuadPart == 0);
            DWORD written = 0;
            const bool wrote = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                           &written, nullptr) != 0;
            if (!wrote || written != bytes.size()) {
                // A short write without an error is a full disk.
                const DWORD error = wrote ? ERROR_DISK_FULL : ::GetLastError();
                // Cut a partial piece off again; the reason given is the write's.
                if (::SetFilePointerEx(file, size, nullptr, FILE_BEGIN)) ::SetEndOfFile(file);
                failure = FailureOf(error);
            } else if (!::FlushFileBuffers(file)) {
                failure = FailureOf(::GetLastError());
            }
        }
    }
    ::CloseHandle(file);  // drops the lock
    return failure;
}

std::optional<AppendFailure> CheckAppendable(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return AppendFailure{AppendFailure::Kind::Folder, {}};
    }
    const HANDLE file =
        ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FailureOf(::GetLastError());
    ::CloseHandle(file);
    return std::nullopt;
}

}  // namespace kx::platform
