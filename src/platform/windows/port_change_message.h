#pragma once
// What a window message from the system says about devices coming and going. Windows
// broadcasts WM_DEVICECHANGE to every top-level window when a device (a COM port among them)
// appears or goes away; the window hands each native message here. Takes the message as Qt passes
// it (a MSG*), so that the caller needs no Win32 header.

namespace kx::platform {

enum class PortChange {
    None,      // not an arrival or a completed removal
    Arrived,   // a device appeared (an adapter plugged in, a driver loaded)
    Departed,  // a device is gone for good (its removal has completed)
};

PortChange PortChangeOf(const void* windowsMessage);

}  // namespace kx::platform
