#include "platform/windows/win32_serial_device.h"

#include <windows.h>
// After windows.h, which it needs.
#include <timeapi.h>

#include <algorithm>
#include <chrono>

namespace kx::link {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr DWORD kQueueBytes = 1024;
// Received character, event character, transmit queue empty, line error.
constexpr DWORD kEventMask = EV_RXCHAR | EV_RXFLAG | EV_TXEMPTY | EV_ERR;
constexpr std::string_view kDevicePrefix = "\\\\.\\";

HANDLE AsHandle(void* handle) {
    return static_cast<HANDLE>(handle);
}

OpenFailure ClassifyOpenError(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:  // what Windows answers when another program holds the port
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            return OpenFailure::Busy;
        default:
            return OpenFailure::NoSuchPort;
    }
}

// The line settings of the link; every other field stays as the driver reported it.
void ApplyLineSettings(DCB& dcb, std::uint32_t baud) {
    dcb.BaudRate = baud;
    dcb.ByteSize = 8;
    dcb.Parity = EVENPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;  // parity is generated on output; received bytes are not checked
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.ErrorChar = static_cast<char>(0xFF);
    dcb.fNull = FALSE;
}

// Speed, 8 data bits and one stop bit: what the box cannot do without.
bool LineSettingsHeld(HANDLE handle, std::uint32_t baud) {
    DCB applied{};
    applied.DCBlength = sizeof applied;
    return ::GetCommState(handle, &applied) && applied.BaudRate == baud && applied.ByteSize == 8 &&
           applied.StopBits == ONESTOPBIT;
}

bool PortGone(DWORD error) {
    return error == ERROR_INVALID_HANDLE || error == ERROR_BAD_COMMAND ||
           error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_FILE_NOT_FOUND ||
           error == ERROR_GEN_FAILURE || error == ERROR_ACCESS_DENIED;
}

}  // namespace

std::string ComDevicePath(std::string_view name) {
    if (name.substr(0, kDevicePrefix.size()) == kDevicePrefix) return std::string(name);
    return std::string(kDevicePrefix) + std::string(name);
}

std::unique_ptr<Win32SerialDevice> Win32SerialDevice::Open(const std::string& name,
                                                           std::uint32_t baud, OpenFailure& why) {
    why = OpenFailure::None;
    if (name.empty()) {
        why = OpenFailure::NoSuchPort;
        return nullptr;
    }
    // Share mode 0: no other program may open the port while we hold it.
    const HANDLE handle = ::CreateFileA(ComDevicePath(name).c_str(), GENERIC_READ | GENERIC_WRITE,
                                        0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        why = ClassifyOpenError(::GetLastError());
        return nullptr;
    }
    // The device owns the handle from here, so every failure below closes it.
    std::unique_ptr<Win32SerialDevice> device(new Win32SerialDevice(handle));

    // Zero time-outs: a read waits for all it asks; we only ever ask for what is queued.
    COMMTIMEOUTS timeouts{};
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::SetupComm(handle, kQueueBytes, kQueueBytes) || !::SetCommTimeouts(handle, &timeouts)) {
        why = OpenFailure::ConfigureFailed;
        return nullptr;
    }
    ::SetCommMask(handle, kEventMask);  // nothing waits on the events; the result is moot
    if (!::GetCommState(handle, &dcb)) {
        why = OpenFailure::ConfigureFailed;
        return nullptr;
    }
    ApplyLineSettings(dcb, baud);
    // Wine on a pseudo-terminal refuses even parity (the pty drops it) after it has set the
    // speed and framing: judge what applied, as the POSIX port does there. A real port that
    // refuses the settings keeps its old speed or framing and still fails here.
    if (!::SetCommState(handle, &dcb) && !LineSettingsHeld(handle, baud)) {
        why = OpenFailure::ConfigureFailed;
        return nullptr;
    }
    device->PurgeTransmit();
    device->PurgeReceive();
    // The 2 ms polling sleeps need the 1 ms timer; the default tick is 15.6 ms.
    device->fineTimer_ = ::timeBeginPeriod(1) == TIMERR_NOERROR;
    return device;
}

Win32SerialDevice::~Win32SerialDevice() {
    ::CloseHandle(AsHandle(handle_));
    if (fineTimer_) ::timeEndPeriod(1);
}

bool Win32SerialDevice::ReadStatus(std::size_t& inQueue, std::size_t& outQueue) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(AsHandle(handle_), &errors, &status)) {
        if (PortGone(::GetLastError())) dead_ = true;
        inQueue = 0;
        outQueue = 0;
        return false;
    }
    inQueue = status.cbInQue;
    outQueue = status.cbOutQue;
    return true;
}

std::size_t Win32SerialDevice::QueuedBytes() {
    std::size_t in = 0;
    std::size_t out = 0;
    ReadStatus(in, out);
    return in;
}

std::size_t Win32SerialDevice::WaitForInput(std::size_t count, std::uint32_t timeoutMs) {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const std::size_t queued = QueuedBytes();
        if (queued >= count || dead_ || SteadyClock::now() >= deadline) return queued;
        ::Sleep(2);
    }
}

std::size_t Win32SerialDevice::Read(std::uint8_t* dst, std::size_t n) {
    // Only what is queued, so that the read with zero time-outs returns at once.
    const std::size_t wanted = std::min(n, QueuedBytes());
    if (wanted == 0) return 0;
    DWORD got = 0;
    if (!::ReadFile(AsHandle(handle_), dst, static_cast<DWORD>(wanted), &got, nullptr)) {
        if (PortGone(::GetLastError())) dead_ = true;
        return 0;
    }
    return got;
}

bool Win32SerialDevice::Write(const std::uint8_t* src, std::size_t n) {
    if (dead_) return false;
    std::size_t done = 0;
    while (done < n) {
        DWORD put = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(n - done, 0x10000));
        if (!::WriteFile(AsHandle(handle_), src + done, chunk, &put, nullptr)) {
            if (PortGone(::GetLastError())) dead_ = true;
            return false;
        }
        if (put == 0) return false;
        done += put;
    }
    return true;
}

void Win32SerialDevice::PurgeReceive() {
    ::PurgeComm(AsHandle(handle_), PURGE_RXABORT | PURGE_RXCLEAR);
}

void Win32SerialDevice::PurgeTransmit() {
    ::PurgeComm(AsHandle(handle_), PURGE_TXABORT | PURGE_TXCLEAR);
}

bool Win32SerialDevice::Drain(std::uint32_t maxMs) {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(maxMs);
    for (;;) {
        std::size_t in = 0;
        std::size_t out = 0;
        if (!ReadStatus(in, out)) return false;
        if (out == 0) return true;
        if (SteadyClock::now() >= deadline) return false;
        ::Sleep(1);
    }
}

bool Win32SerialDevice::IsAlive() {
    if (dead_) return false;
    if (!::SetupComm(AsHandle(handle_), kQueueBytes, kQueueBytes)) dead_ = true;
    // Wine takes any queue size without looking at the port; the status read still fails.
    std::size_t in = 0;
    std::size_t out = 0;
    if (!dead_) ReadStatus(in, out);
    return !dead_;
}

void Win32SerialDevice::SetDtr(bool asserted) {
    ::EscapeCommFunction(AsHandle(handle_), asserted ? SETDTR : CLRDTR);
}

void Win32SerialDevice::SetRts(bool asserted) {
    ::EscapeCommFunction(AsHandle(handle_), asserted ? SETRTS : CLRRTS);
}

}  // namespace kx::link
