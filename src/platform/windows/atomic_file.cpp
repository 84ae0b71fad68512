#include "platform/atomic_file.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <string_view>

#include "platform/windows/win32_errors.h"

namespace kx {
namespace {

using platform::win32::SetErrnoFromLastError;

// Records what failed, with the errno the failing call's Win32 error maps to.
void Fail(WriteFailure* failure, WriteProblem problem, const std::string& path, int error) {
    if (failure) *failure = {problem, path, error};
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return ".";
    if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

// "COM1", "nul", "C:\\x\\LPT2.txt", "\\\\.\\COM3": names Windows hands to a device in
// every folder. Such a file is never opened to be read (opening a serial port resets the
// box on it) and never replaced.
bool IsDeviceName(const std::string& path) {
    if (path.starts_with("\\\\.\\") || path.starts_with("//./")) return true;
    const auto slash = path.find_last_of("\\/:");
    std::string stem = path.substr(slash == std::string::npos ? 0 : slash + 1);
    stem = stem.substr(0, stem.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
    return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
           stem[3] >= '1' && stem[3] <= '9';
}

class Handle {
  public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return h_; }
    bool Ok() const { return h_ != INVALID_HANDLE_VALUE; }
    bool Close() {
        const bool ok = h_ == INVALID_HANDLE_VALUE || ::CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

  private:
    HANDLE h_;
};

bool WriteAll(HANDLE file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

bool WriteInPlace(const std::string& path, const std::string& bytes, WriteFailure* failure) {
    Handle file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Ok()) {
        Fail(failure, WriteProblem::CannotOpen, path, SetErrnoFromLastError());
        return false;
    }
    if (!WriteAll(file.Get(), bytes) || !file.Close()) {
        Fail(failure, WriteProblem::CannotWrite, path, SetErrnoFromLastError());
        return false;
    }
    return true;
}

// A new file beside `path` that no other program has open.
HANDLE CreateTempBeside(const std::string& path, std::string& temp) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = path + "." + std::to_string(::GetCurrentProcessId()) + "." +
               std::to_string(counter.fetch_add(1)) + "." +
               std::to_string(::GetTickCount() & 0xFFFFFF);
        const HANDLE file = ::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadRegularFile(const std::string& path,
                                                         std::uint64_t maxBytes,
                                                         ReadFailure* failure) {
    ReadFailure local;
    ReadFailure& f = failure ? *failure : local;
    if (IsDeviceName(path)) {
        f = {ReadProblem::NotRegular, 0};
        return std::nullopt;
    }
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        f = {ReadProblem::CannotOpen, SetErrnoFromLastError()};
        return std::nullopt;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        f = {ReadProblem::Folder, EISDIR};
        return std::nullopt;
    }
    Handle file(::CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Ok()) {
        f = {ReadProblem::CannotOpen, SetErrnoFromLastError()};
        return std::nullopt;
    }
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK) {
        f = {ReadProblem::NotRegular, 0};
        return std::nullopt;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size)) {
        f = {ReadProblem::ReadFailed, SetErrnoFromLastError()};
        return std::nullopt;
    }
    const auto expected = static_cast<std::uint64_t>(size.QuadPart);
    if (expected > maxBytes) {
        f = {ReadProblem::TooLarge, 0, expected, maxBytes};
        return std::nullopt;
    }
    // One byte more than expected tells a file that grew since the size was taken. The bytes
    // are taken as they are: a settings file in GBK with CR LF reads as on any system.
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
        DWORD got = 0;
        const auto want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!::ReadFile(file.Get(), bytes.data() + done, want, &got, nullptr)) {
            f = {ReadProblem::ReadFailed, SetErrnoFromLastError()};
            return std::nullopt;
        }
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path,
                                                       ReadFailure* failure) {
    return ReadRegularFile(path, kWholeFileLimit, failure);
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes, WriteFailure* failure) {
    if (IsDeviceName(path)) return WriteInPlace(path, bytes, failure);
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            Fail(failure, WriteProblem::CannotWrite, path, EISDIR);
            return false;
        }
        // A file kept read-only is not replaced behind its owner's back.
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            Fail(failure, WriteProblem::ReadOnly, path, EACCES);
            return false;
        }
    }
    std::string temp;
    Handle file(CreateTempBeside(path, temp));
    if (!file.Ok()) {
        Fail(failure, WriteProblem::CannotCreate, FolderOf(path), SetErrnoFromLastError());
        return false;
    }
    if (!WriteAll(file.Get(), bytes) || !::FlushFileBuffers(file.Get())) {
        Fail(failure, WriteProblem::CannotWrite, temp, SetErrnoFromLastError());
        file.Close();
        ::DeleteFileA(temp.c_str());
        return false;
    }
    if (!file.Close()) {
        Fail(failure, WriteProblem::CannotWrite, temp, SetErrnoFromLastError());
        ::DeleteFileA(temp.c_str());
        return false;
    }
    // Write-through: the rename is on the disk when the call returns.
    if (!::MoveFileExA(temp.c_str(), path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        Fail(failure, WriteProblem::CannotReplace, path, SetErrnoFromLastError());
        ::DeleteFileA(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace kx
