// The rows of the text table: English first, Chinese second, as the user sees them.

#include "messages/text_catalogue.h"

#include <array>
#include <cstddef>

namespace kx {
namespace {

struct TextRow {
    Text text;
    std::string_view english;
    std::string_view chinese;
};

// clang-format off
constexpr std::array<TextRow, static_cast<std::size_t>(Text::Count)> kTexts = {{
    // The serial link.
    {Text::PortNumberWithoutPort,
     "No serial port behind this port number: plug in the programmer, or name its device in "
     "KX_VELDRAN_PORTS (e.g. KX_VELDRAN_PORTS=/dev/ttyUSB0).",
     "此端口号下没有串口：请连接编程器，或在 KX_VELDRAN_PORTS 中写明其设备（例如 "
     "KX_VELDRAN_PORTS=/dev/ttyUSB0）。"},
    {Text::PortMissing,
     "{1} does not exist: check that the programmer is plugged in, or set KX_VELDRAN_PORTS to "
     "its device path.",
     "{1} 不存在：请检查编程器是否已连接，或将 KX_VELDRAN_PORTS 设为其设备路径。"},
    {Text::PortPermissionDenied,
     "Permission denied on {1}: add your user to the 'dialout' group (sudo usermod -aG dialout "
     "$USER) and log in again.",
     "没有访问 {1} 的权限：请把当前用户加入 dialout 组（sudo usermod -aG dialout $USER），"
     "然后重新登录。"},
    {Text::PortInUse,
     "{1} is in use by another program: close that program (a terminal, ModemManager or a "
     "second copy of this one) and try again.",
     "{1} 正被其他程序占用：请关闭该程序（终端、ModemManager 或本程序的另一个副本）后重试。"},
    {Text::PortRefusedLineSettings,
     "{1} refused the line settings (8 data bits, even parity, 1 stop bit): check that it is a "
     "serial port.",
     "{1} 不接受串口参数（8 个数据位、偶校验、1 个停止位）：请检查它是否为串口。"},
    // Settings and the serial counter.
    // Files (image, password, TI-TXT, settings).
    {Text::SaveFailed,
     "Cannot write the file; choose another folder or file name and save again.\r\n({1})\r\n",
     "文件无法写入，请换一个文件夹或文件名重新保存！\r\n({1})\r\n"},
    // Devices and security words.
    // Shown alike in both languages.
    {Text::DeviceSizes,
     "MSP430{1}:\r\nFlash size = 0x{2}(Bytes)\r\nRam size = 0x{3}(Bytes)",
     "MSP430{1}:\r\nFlash size = 0x{2}(Bytes)\r\nRam size = 0x{3}(Bytes)"},
    {Text::VectorFieldLengthWrong, "Vector {1}: wrong input length", "向量{1}输入长度不对"},
    {Text::PasswordFieldLengthWrong, "Password {1}: wrong input length", "密码{1}输入长度不对"},
    // Operations.
    // The command line.
    // The window.
}};
// clang-format on

constexpr bool EveryRowInItsPlace() {
    for (std::size_t i = 0; i < kTexts.size(); ++i) {
        if (static_cast<std::size_t>(kTexts[i].text) != i) return false;
    }
    return true;
}
static_assert(EveryRowInItsPlace(), "the rows follow the order of enum Text");

}  // namespace

std::string_view TextPattern(Text text, UiLanguage language) {
    const auto index = static_cast<std::size_t>(text);
    if (index >= kTexts.size()) return {};
    const TextRow& row = kTexts[index];
    return language == UiLanguage::Chinese ? row.chinese : row.english;
}

std::string SayText(UiLanguage language, Text text, std::initializer_list<std::string_view> args) {
    const std::string_view pattern = TextPattern(text, language);
    std::string out;
    out.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const bool placeholder = pattern[i] == '{' && i + 2 < pattern.size() &&
                                 pattern[i + 1] >= '1' && pattern[i + 1] <= '9' &&
                                 pattern[i + 2] == '}';
        if (!placeholder) {
            out += pattern[i];
            continue;
        }
        const auto n = static_cast<std::size_t>(pattern[i + 1] - '1');
        if (n < args.size()) out += *(args.begin() + n);
        i += 2;
    }
    return out;
}

}  // namespace kx
