#pragma once
// Serves a Box on a pseudo-terminal, so that the real program (or any serial tool) can talk
// to it through the slave side as if it were a serial port.

#include <csignal>
#include <cstdint>
#include <optional>
#include <string>

#include "sim/box.h"

namespace kx::sim {

// Line settings the program has put on the slave side (Linux hands them out on the master).
// Parity is not visible on a pseudo-terminal and is not judged.
std::optional<LineSettings> ReadLineSettings(int fd);

class PtyServer {
  public:
    explicit PtyServer(Box& box) : box_(box) {}
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the pseudo-terminal; the slave's path, or nullopt and why.
    std::optional<std::string> Open(std::string& error);
    // Serves until `stop` is set or the box vanishes (then the terminal is closed, as a
    // pulled USB adapter takes its device with it). `powerCycle` set: the box restarts.
    void Serve(volatile std::sig_atomic_t& stop, volatile std::sig_atomic_t& powerCycle);
    void Close();
    // Microseconds since Open, the box's time base.
    std::uint64_t NowUs() const;

  private:
    void Deliver();

    Box& box_;
    int master_ = -1;
    int holder_ = -1;  // our own slave descriptor: the master never sees a hang-up
    std::uint64_t startNs_ = 0;
};

}  // namespace kx::sim
