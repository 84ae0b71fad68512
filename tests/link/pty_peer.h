#pragma once
// The box's side of a pseudo-terminal: the link opens the slave path, the test reads and
// answers on the master.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kx::link::testing {

class PtyPeer {
public:
    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    bool Ok() const { return master_ >= 0 && !slavePath_.empty(); }
    int MasterFd() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }

    // Up to `n` bytes, fewer when `timeoutMs` passes first.
    std::vector<std::uint8_t> ReadExactly(std::size_t n, int timeoutMs = 2000);
    bool Write(const std::vector<std::uint8_t>& bytes);
    void CloseMaster();

private:
    int master_ = -1;
    std::string slavePath_;
};

}  // namespace kx::link::testing
