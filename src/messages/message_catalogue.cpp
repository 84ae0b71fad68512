// The numbered user messages. Chinese first, English second; line breaks are CR LF.

#include "messages/message_catalogue.h"

#include <array>
#include <cstddef>

namespace kx {
namespace {

struct MessagePair {
    std::string_view chinese;
    std::string_view english;
};

// Joins three texts at compile time, so message 60 can carry the download address.
template <std::size_t N>
constexpr std::array<char, N> Join(std::string_view a, std::string_view b, std::string_view c) {
    std::array<char, N> out{};
    std::size_t i = 0;
    for (const std::string_view part : {a, b, c}) {
        for (const char ch : part) {
            out[i++] = ch;
        }
    }
    return out;
}

constexpr std::string_view kNewerZhHead = "出错：软件版本低于固件版本，请到";
constexpr std::string_view kNewerZhTail = "下载最新软件！\r\n";
constexpr std::string_view kNewerEnHead =
    "Error:The version of this software is lower than the firmware, please download the "
    "newest software at ";
constexpr std::string_view kNewerEnTail = "!\r\n";

constexpr std::size_t kNewerZhSize =
    kNewerZhHead.size() + kDownloadAddress.size() + kNewerZhTail.size();
constexpr std::size_t kNewerEnSize =
    kNewerEnHead.size() + kDownloadAddress.size() + kNewerEnTail.size();
constexpr std::array<char, kNewerZhSize> kNewerZh =
    Join<kNewerZhSize>(kNewerZhHead, kDownloadAddress, kNewerZhTail);
constexpr std::array<char, kNewerEnSize> kNewerEn =
    Join<kNewerEnSize>(kNewerEnHead, kDownloadAddress, kNewerEnTail);

// clang-format off
constexpr std::array<MessagePair, kMessageCount> kMessages = {{
    {"载入文件：\r\n", "Load file:\r\n"},  // 0
    {"\r\n代码大小（字节）：", "\r\nCode size(Bytes):"},  // 1
    {"文件格式不符！\r\n", "File format not match!\r\n"},  // 2
    {"出错：\r\n产品信息存放地址必须在0x1000-0x10e8之间！\r\n", "Error:\r\nAddress of product name must set between 0x1000-0x10e8!\r\n"},  // 3
    {"出错：\r\n产品信息存放地址必须是偶地址！\r\n", "Error:\r\nAddress of product name must be even number!\r\n"},  // 4
    {"打开编程器失败，请检查编程器连线！\r\n", "Fail to connect the programmer!\r\n"},  // 5
    {"读取编程器版本失败！\r\n", "Fail to read the version of the programmer!\r\n"},  // 6
    {"固件版本号非法！\r\n", "Error:\r\nIllegal firmware version!\r\n"},  // 7
    {"固件版本太低，请先升级！\r\n", "Firmware version too old, update it first please!\r\n"},  // 8
    {"编程器连接失败！\r\n", "Fail to connect the programmer!\r\n"},  // 9
    {"编程器连接成功！\r\n", "Connect the programmer successful!\r\n"},  // 10
    {"连接目标芯片出错！请检查编程器以下线路。\r\n", "Fail to find target chip!\r\n"},  // 11
    {"连接目标芯片成功，但是BSL验证密码错！\r\n(读取)和(不完全擦除)等操作需要密码！\r\n", "Connect target chip successful, but fail to check BSL password!\r\n(Reading) and (None Mass Erasing) need password!\r\n"},  // 12
    {"目标芯片已被加密，中止操作！\r\n", "Target chip is fused, operation terminated!\r\n"},  // 13
    {"目标芯片无效，中止操作！\r\n", "Invalid target chip, operation terminated!\r\n"},  // 14
    {"目标芯片类型：", "Target chip:"},  // 15
    {"\r\n使用SBW编程！\r\n", "\r\nProgramming mode: SBW.\r\n"},  // 16
    {"\r\n使用JTAG编程！\r\n", "\r\nProgramming mode: JTAG.\r\n"},  // 17
    {"\r\n使用BSL编程！\r\n", "\r\nProgramming mode: BSL.\r\n"},  // 18
    {"擦除失败！\r\n", "Failed in erasing!\r\n"},  // 19
    {"擦除成功！\r\n", "Erasing successful!\r\n"},  // 20
    {"您没有选择编程操作！\r\n", "Operation \"Prog\" is not selected!\r\n"},  // 21
    {"开始编程...\r\n", "Start programming...\r\n"},  // 22
    {"编程失败！\r\n", "Failed in programming!\r\n"},  // 23
    {"编程成功！\r\n", "Programming successful!\r\n"},  // 24
    {"开始校验...\r\n", "Start verifying...\r\n"},  // 25
    {"校验失败！\r\n", "Failed in verifying!\r\n"},  // 26
    {"校验成功！\r\n", "Verifying successful!\r\n"},  // 27
    {"信息Flash受保护，不允许写入产品信息！\r\n", "Info-Flash is protected!\r\n"},  // 28
    {"写产品序列号失败！\r\n", "Failed in writing product information!\r\n"},  // 29
    {"校验产品序列号失败！\r\n", "Failed in verifying product information!\r\n"},  // 30
    {"产品序列号烧录成功！\r\n", "Verifying product information successful!\r\n"},  // 31
    {"加密失败！\r\n", "Fail to burn the fuse!\r\n"},  // 32
    {"芯片已经加密！\r\n", "Fusing target chip successful!\r\n"},  // 33
    {"目标MCU开始运行...\r\n", "Target CPU running...\r\n"},  // 34
    {"运行时间：", "Time escaped:"},  // 35
    {"请输入偶数起始地址！", "Address must be a even number!\r\n"},  // 36
    {"请输入偶数长度！", "Length should be a even number!\r\n"},  // 37
    {"长度超出范围！", "Address or length overflowed!\r\n"},  // 38
    {"目标芯片已被加密，无法读取芯片内容。\r\n", "The target chip is fused, can not read data from it!\r\n"},  // 39
    {"\r\n开始读...\r\n", "\r\nStart reading...\r\n"},  // 40
    {"读程序出错！\r\n", "Failed in reading!\r\n"},  // 41
    {"读程序完成！\r\n", "reading data successful!\r\n"},  // 42
    {"搜索编程器..", "Search.."},  // 43
    {"编程器正常", "READY"},  // 44
    {"载入失败，目标代码可能太大。\r\n", "Failed in downloading, The size of target code may be too large.\r\n"},  // 45
    {"开始载入...\r\n", "Start downloading...\r\n"},  // 46
    {"校验载入代码...\r\n", "Verifying ...\r\n"},  // 47
    {"载入成功！\r\n", "Successful!\r\n"},  // 48
    {"固件版本号非法，取消升级！\r\n", "Illegal firmware version, updating terminated!\r\n"},  // 49
    {"固件版本是最新的，无需升级！\r\n", "The firmware is the newest, need no updating!\r\n"},  // 50
    {"开始升级固件>>>>\r\n", "Start updating firmware>>>\r\n"},  // 51
    {"升级固件失败\r\n", "Failed in updating!\r\n"},  // 52
    {"升级固件成功！\r\n请给编程器重新上电，并重启本软件！\r\n", "Updating successful!\r\nPower up the programmer again and restart me please!\r\n"},  // 53
    {"确定要烧熔丝？", "Are you sure to burn the fuse?"},  // 54
    {"请先设置好离线操作选项!\r\n确认载入代码？", "Set the parameters first!\r\nAre you sure to download the code?"},  // 55
    {"升级过程中请确保电源稳定！\r\n一旦升级过程中止，编程器将报废!\r\n确认升级？", "Ensure the power is stable while updating!\r\nIf the progress of updating is terminated,the programmer will be damaged!\r\nAre you sure?"},  // 56
    {"出错：\r\n产品信息存放地址必须在0x1800-0x19e8之间！\r\n", "Error:\r\nAddress of product name must set between 0x1800-0x19e8!\r\n"},  // 57
    {"出错：\r\n产品信息段已经有数据，不能再写入产品信息！\r\n", "Error:\r\nValid data stored in information flash allready, can not write PN/PID again!\r\n"},  // 58
    {"警告：\r\nBSL编程时，如果未设密码或者密码验证不成功，可能会擦除全部Flash内容！\r\n", "Warnning:\r\nIn BSL mode,All flash include information segments may be erase if no password or password error!\r\n"},  // 59
    {{kNewerZh.data(), kNewerZh.size()}, {kNewerEn.data(), kNewerEn.size()}},  // 60
    {"次数限制: 1-60000有效，0表示无限制，大于60000将被强制成60000。\r\n", "Limit times: 1-60000 is valid, or 0 means no limit, it will be fit to 60000 while greater than 60000."},  // 61
    {"警告：目标芯片型号与选择的型号不符！\r\n", "Warnning: The target device do not match the one you selected!\r\n"},  // 62
}};
// clang-format on

}  // namespace

std::string_view MessageText(int n, UiLanguage language) {
    if (n < 0 || n >= kMessageCount) {
        return {};
    }
    const MessagePair& pair = kMessages[static_cast<std::size_t>(n)];
    return language == UiLanguage::Chinese ? pair.chinese : pair.english;
}

}  // namespace kx
