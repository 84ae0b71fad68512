#pragma once
// Fault injection: which reply of which command goes wrong, and how.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kx::sim {

enum class FaultAction {
    NoReply,  // the command is carried out, its reply is lost on the wire
    Nak,      // the box refuses the command (0xA0) without carrying it out
    Short,    // the reply loses its last byte
    Corrupt,  // one byte of the reply is inverted (the first data byte, or the ack)
    Noise,    // as Corrupt, but the inverted data byte moves with each occurrence
    Late,     // the reply comes 100 ms after the command's time-out
    Vanish,   // the box disappears before carrying the command out (adapter pulled)
};

struct FaultRule {
    int code = 0;                             // command code, or kSyncCode
    std::optional<std::uint32_t> occurrence;  // 1-based; unset: every occurrence
    FaultAction action = FaultAction::NoReply;
};

// "RX_DATA_BLOCK:3:nak", "GET_VERSION:*:late", "0x72:1:none", "SYNC:2:short".
// Actions: none, nak, short, corrupt, noise, late, vanish. On error returns nullopt and says why.
std::optional<FaultRule> ParseFaultRule(std::string_view text, std::string& error);

std::string_view FaultActionName(FaultAction action);

// Counts each command code as it arrives and hands out the rule that fires.
class FaultPlan {
  public:
    FaultPlan() = default;
    explicit FaultPlan(std::vector<FaultRule> rules) : rules_(std::move(rules)) {}
    void Add(const FaultRule& rule) { rules_.push_back(rule); }
    // Counts one more arrival of `code`; the first matching rule's action, if any.
    std::optional<FaultAction> Next(int code);
    std::uint32_t Count(int code) const;

  private:
    std::vector<FaultRule> rules_;
    std::map<int, std::uint32_t> counts_;
};

}  // namespace kx::sim
