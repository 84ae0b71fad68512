#include "sim/fault_plan.h"

#include <array>
#include <charconv>

#include "sim/command_names.h"

namespace kx::sim {
namespace {

struct NamedAction {
    std::string_view name;
    FaultAction action;
};

constexpr std::array<NamedAction, 7> kActions{{
    {"none", FaultAction::NoReply},
    {"nak", FaultAction::Nak},
    {"short", FaultAction::Short},
    {"corrupt", FaultAction::Corrupt},
    {"noise", FaultAction::Noise},
    {"late", FaultAction::Late},
    {"vanish", FaultAction::Vanish},
}};

}  // namespace

std::string_view FaultActionName(FaultAction action) {
    for (const auto& a : kActions) {
        if (a.action == action) return a.name;
    }
    return "?";
}

std::optional<FaultRule> ParseFaultRule(std::string_view text, std::string& error) {
    const auto first = text.find(':');
    const auto second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos || text.find(':', second + 1) != std::string_view::npos) {
        error = "fault '" + std::string(text) +
                "' must read COMMAND:OCCURRENCE:ACTION, e.g. RX_DATA_BLOCK:3:nak";
        return std::nullopt;
    }
    const auto name = text.substr(0, first);
    const auto occurrence = text.substr(first + 1, second - first - 1);
    const auto action = text.substr(second + 1);

    FaultRule rule;
    const auto code = CommandCode(name);
    if (!code) {
        error = "unknown command '" + std::string(name) +
                "' in fault; use a name such as RX_DATA_BLOCK, SYNC, or a code such as 0x12";
        return std::nullopt;
    }
    rule.code = *code;

    if (occurrence != "*") {
        std::uint32_t n = 0;
        const auto [ptr, ec] =
            std::from_chars(occurrence.data(), occurrence.data() + occurrence.size(), n);
        if (ec != std::errc() || ptr != occurrence.data() + occurrence.size() || n == 0) {
            error = "occurrence '" + std::string(occurrence) +
                    "' in fault must be a number from 1 up, or * for every occurrence";
            return std::nullopt;
        }
        rule.occurrence = n;
    }

    for (const auto& a : kActions) {
        if (a.name == action) {
            rule.action = a.action;
            return rule;
        }
    }
    error = "unknown fault action '" + std::string(action) +
            "'; use none, nak, short, corrupt, noise, late or vanish";
    return std::nullopt;
}

std::optional<FaultAction> FaultPlan::Next(int code) {
    const std::uint32_t n = ++counts_[code];
    for (const auto& rule : rules_) {
        if (rule.code == code && (!rule.occurrence || *rule.occurrence == n)) return rule.action;
    }
    return std::nullopt;
}

std::uint32_t FaultPlan::Count(int code) const {
    const auto it = counts_.find(code);
    return it == counts_.end() ? 0 : it->second;
}

}  // namespace kx::sim
