#pragma once
// What a window message from the system says about serial ports. Windows broadcasts
// WM_DEVICECHANGE to every top-level window when a COM port appears or goes away; the window
// hands each native message here. Takes the message as Qt passes it (a MSG*), so that the
// caller needs no Win32 header.

namespace kx::platform {

enum class PortChange {
    None,      // not a device change, or not about a serial port
    Arrived,   // a COM port appeared (an adapter plugged in, a driver loaded)
    Departed,  // a COM port is gone for good (its removal has completed)
};

PortChange PortChangeOf(const void* windowsMessage);

}  // namespace kx::platform
