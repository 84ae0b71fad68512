#include "cli/update_hold.h"

namespace kx::cli {
namespace {

using Steady = std::chrono::steady_clock;

}  // namespace

void UpdateHold::Busy(bool on) {
    if (!on) {
        hold_.reset();
        return;
    }
    if (hold_) return;
    upper_ = 0;
    pos_ = 0;
    startTicks_ = Steady::now().time_since_epoch().count();
    hold_.emplace(
        InterruptHold::Texts{[this] { return FirstSignalText(); }, [this] { return LastWords(); }},
        exitStatus_, kSecondSignalWindow);
}

void UpdateHold::Progress(std::uint32_t upper, std::uint32_t pos) {
    upper_ = upper;
    pos_ = pos;
}

std::optional<std::uint32_t> UpdateHold::SecondsToGo() const {
    const std::uint64_t upper = upper_, pos = pos_;
    if (pos == 0 || upper < pos) return std::nullopt;
    const Steady::duration taken =
        Steady::now() - Steady::time_point(Steady::duration(startTicks_.load()));
    const auto takenMs = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(taken).count());
    return static_cast<std::uint32_t>((takenMs * (upper - pos) / pos + 999) / 1000);
}

std::string UpdateHold::FirstSignalText() const {
    const std::optional<std::uint32_t> toGo = SecondsToGo();
    const std::string window = std::to_string(kSecondSignalWindow.count());
    if (language_ == UiLanguage::Chinese) {
        const std::string time = toGo ? "还需约" + std::to_string(*toGo) + "秒" : "全程约半分钟";
        return "\n固件升级不能安全中断：现在停止，编程器将没有可用的固件。升级会自行结束（" + time +
               "）。如仍要停止，请在" + window + "秒内再按一次 Ctrl-C。\n";
    }
    const std::string time =
        toGo ? "about " + std::to_string(*toGo) + " s to go" : "about half a minute in all";
    return "\nThe firmware update cannot be interrupted safely: stopped now, the programmer "
           "would be left without working firmware. It ends on its own (" +
           time + "). To stop it anyway, press Ctrl-C again within " + window + " s.\n";
}

std::string UpdateHold::LastWords() const {
    if (language_ == UiLanguage::Chinese) {
        return "\n固件升级被中断：编程器停在其引导程序中，固件已被擦除或只写入了一部分，"
               "在升级完成前无法使用。请重新运行 kxveldran-cli update-firmware 完成升级。\n";
    }
    return "\nFirmware update interrupted: the programmer is left in its loader with its "
           "firmware erased or partly written, and will not work until the update is finished. "
           "Run 'kxveldran-cli update-firmware' again to finish it.\n";
}

}  // namespace kx::cli
