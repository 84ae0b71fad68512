#pragma once
// Where counted serial numbers come from. One source serves every box of a run (a gang takes
// its numbers from one sequence), so Take and GiveBack may be called from several threads at
// once. A number is stored as taken before Take returns it: a program killed right after
// never hands it out again.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "messages/message_catalogue.h"

namespace kx::production {

// The exit status of a run the source refused (kxveldran-cli's "settings could not be read or
// written").
inline constexpr int kSourceRefusedStatus = 4;

// What to say when the source cannot serve. lines[0] says what is wrong (the caller puts its
// own name before it); the lines after it say what that means for the unit.
struct SourceRefusal {
    std::vector<std::string> lines;
    int exitStatus = kSourceRefusedStatus;
};

struct SourceTake {
    std::optional<std::uint32_t> number;  // nullopt: nothing was taken, see `refusal`
    SourceRefusal refusal;
};

class SerialSource {
  public:
    virtual ~SerialSource() = default;
    // Before any unit is touched: can numbers be taken and stored? nullopt when they can.
    virtual std::optional<SourceRefusal> Check() = 0;
    // The next number, durably stored as taken before it returns.
    virtual SourceTake Take() = 0;
    // A number whose record never went out. True when it was given back; false when that
    // would hand out a number twice (a later one was taken meanwhile) or could not be stored.
    virtual bool GiveBack(std::uint32_t number) = 0;
};

// The counter (product_num) in the settings file, shared with other programs on this PC
// through its lock. `typed` (a number given by the user) is the first number only; later
// takes continue from the counter it leaves behind.
class FileSerialSource final : public SerialSource {
  public:
    FileSerialSource(std::string settingsPath, std::optional<std::uint32_t> typed,
                     UiLanguage language);
    std::optional<SourceRefusal> Check() override;
    SourceTake Take() override;
    bool GiveBack(std::uint32_t number) override;

  private:
    std::mutex mutex_;  // the typed number is handed out once, whichever thread asks first
    std::string path_;
    std::optional<std::uint32_t> typed_;
    UiLanguage language_;
};

// Numbers counted in memory from `first`, stored nowhere: for runs told not to write the
// settings file.
class MemorySerialSource final : public SerialSource {
  public:
    explicit MemorySerialSource(std::uint32_t first) : next_(first) {}
    std::optional<SourceRefusal> Check() override { return std::nullopt; }
    SourceTake Take() override;
    bool GiveBack(std::uint32_t number) override;
    std::uint32_t Next();

  private:
    std::mutex mutex_;
    std::uint32_t next_;
};

}  // namespace kx::production
