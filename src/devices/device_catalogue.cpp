// The supported targets in device-list order. Rows name only the flags they set.

#include "devices/device_catalogue.h"

namespace kx::devices {
namespace {

// clang-format off
constexpr std::array<DeviceRecord, kDeviceCount> kDevices = {{
    {.chipId = 0xF112, .flashStart = 0xFC00, .flashSize = 0x400, .ramSize = 0x80, .jtagCapable = true, .bslCapable = true, .testPin = true, .name = "F1101"},  // 0
    {.chipId = 0xF112, .flashStart = 0xF800, .flashSize = 0x800, .ramSize = 0x80, .jtagCapable = true, .bslCapable = true, .testPin = true, .name = "F1111"},  // 1
    {.chipId = 0xF112, .flashStart = 0xF000, .flashSize = 0x1000, .ramSize = 0x100, .jtagCapable = true, .bslCapable = true, .testPin = true, .name = "F112(1/1A)"},  // 2
    {.chipId = 0x1132, .flashStart = 0xF000, .flashSize = 0x1000, .ramSize = 0x100, .jtagCapable = true, .bslCapable = true, .testPin = true, .name = "F1122"},  // 3
    {.chipId = 0x1132, .flashStart = 0xE000, .flashSize = 0x2000, .ramSize = 0x100, .jtagCapable = true, .bslCapable = true, .testPin = true, .name = "F1132"},  // 4
    {.chipId = 0x1232, .flashStart = 0xF000, .flashSize = 0x1000, .ramSize = 0x100, .jtagCapable = true, .bslCapable = true, .testPin = true, .name = "F1222"},  // 5
    {.chipId = 0x1232, .flashStart = 0xE000, .flashSize = 0x2000, .ramSize = 0x100, .jtagCapable = true, .bslCapable = true, .testPin = true, .name = "F1232"},  // 6
    {.chipId = 0xF123, .flashStart = 0xF000, .flashSize = 0x1000, .ramSize = 0x100, .jtagCapable = true, .bslCapable = true, .testPin = true, .name = "F122"},  // 7
    {.chipId = 0xF123, .flashStart = 0xE000, .flashSize = 0x2000, .ramSize = 0x100, .jtagCapable = true, .bslCapable = true, .testPin = true, .name = "F123"},  // 8
    {.chipId = 0xF149, .flashStart = 0xE000, .flashSize = 0x2000, .ramSize = 0x100, .jtagCapable = true, .bslCapable = true, .name = "F133(F1331)"},  // 9
    {.chipId = 0xF149, .flashStart = 0xC000, .flashSize = 0x4000, .ramSize = 0x200, .jtagCapable = true, .bslCapable = true, .name = "F135(F1351)"},  // 10
    {.chipId = 0xF149, .flashStart = 0x8000, .flashSize = 0x8000, .ramSize = 0x400, .jtagCapable = true, .bslCapable = true, .name = "F147(F1471)"},  // 11
    {.chipId = 0xF149, .flashStart = 0x4000, .flashSize = 0xC000, .ramSize = 0x800, .jtagCapable = true, .bslCapable = true, .name = "F148(F1481)"},  // 12
    {.chipId = 0xF149, .flashStart = 0x1100, .flashSize = 0xEF00, .ramSize = 0x800, .jtagCapable = true, .bslCapable = true, .name = "F149(F1491)"},  // 13
    {.chipId = 0xF169, .flashStart = 0xC000, .flashSize = 0x4000, .ramSize = 0x400, .jtagCapable = true, .bslCapable = true, .name = "F155"},  // 14
    {.chipId = 0xF169, .flashStart = 0xA000, .flashSize = 0x6000, .ramSize = 0x800, .jtagCapable = true, .bslCapable = true, .name = "F156"},  // 15
    {.chipId = 0xF169, .flashStart = 0x8000, .flashSize = 0x8000, .ramSize = 0x800, .jtagCapable = true, .bslCapable = true, .name = "F157"},  // 16
    {.chipId = 0xF169, .flashStart = 0x8000, .flashSize = 0x8000, .ramSize = 0x400, .jtagCapable = true, .bslCapable = true, .name = "F167"},  // 17
    {.chipId = 0xF169, .flashStart = 0x4000, .flashSize = 0xC000, .ramSize = 0x800, .jtagCapable = true, .bslCapable = true, .name = "F168"},  // 18
    {.chipId = 0xF169, .flashStart = 0x1100, .flashSize = 0xEF00, .ramSize = 0x800, .jtagCapable = true, .bslCapable = true, .name = "F169"},  // 19
    {.chipId = 0xF16C, .flashStart = 0x8000, .flashSize = 0x8000, .ramSize = 0x1400, .jtagCapable = true, .bslCapable = true, .name = "F1610"},  // 20
    {.chipId = 0xF16C, .flashStart = 0x4000, .flashSize = 0xC000, .ramSize = 0x2800, .jtagCapable = true, .bslCapable = true, .name = "F1611"},  // 21
    {.chipId = 0xF16C, .flashStart = 0x2500, .flashSize = 0xDB00, .ramSize = 0x1400, .jtagCapable = true, .bslCapable = true, .name = "F1612"},  // 22
    {.chipId = 0xF201, .flashStart = 0xFC00, .flashSize = 0x400, .ramSize = 0x80, .jtagCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .segAEraseChoice = true, .name = "F2001"},  // 23
    {.chipId = 0xF201, .flashStart = 0xFC00, .flashSize = 0x400, .ramSize = 0x80, .jtagCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .segAEraseChoice = true, .name = "F2002"},  // 24
    {.chipId = 0xF201, .flashStart = 0xFC00, .flashSize = 0x400, .ramSize = 0x80, .jtagCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .segAEraseChoice = true, .name = "F2003"},  // 25
    {.chipId = 0xF201, .flashStart = 0xF800, .flashSize = 0x800, .ramSize = 0x80, .jtagCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .segAEraseChoice = true, .name = "F2011"},  // 26
    {.chipId = 0xF201, .flashStart = 0xF800, .flashSize = 0x800, .ramSize = 0x80, .jtagCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .segAEraseChoice = true, .name = "F2012"},  // 27
    {.chipId = 0xF201, .flashStart = 0xF800, .flashSize = 0x800, .ramSize = 0x80, .jtagCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .segAEraseChoice = true, .name = "F2013"},  // 28
    {.chipId = 0xF213, .flashStart = 0xFC00, .flashSize = 0x400, .ramSize = 0x80, .jtagCapable = true, .bslCapable = true, .testPin = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F2101"},  // 29
    {.chipId = 0xF213, .flashStart = 0xF800, .flashSize = 0x800, .ramSize = 0x80, .jtagCapable = true, .bslCapable = true, .testPin = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F2111"},  // 30
    {.chipId = 0xF213, .flashStart = 0xF000, .flashSize = 0x1000, .ramSize = 0x100, .jtagCapable = true, .bslCapable = true, .testPin = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F2121"},  // 31
    {.chipId = 0xF213, .flashStart = 0xE000, .flashSize = 0x2000, .ramSize = 0x100, .jtagCapable = true, .bslCapable = true, .testPin = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F2131"},  // 32
    {.chipId = 0xF213, .flashStart = 0xF800, .flashSize = 0x800, .ramSize = 0x100, .jtagCapable = true, .bslCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .segAEraseChoice = true, .name = "F2112"},  // 33
    {.chipId = 0xF213, .flashStart = 0xF000, .flashSize = 0x1000, .ramSize = 0x200, .jtagCapable = true, .bslCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .segAEraseChoice = true, .name = "F2122"},  // 34
    {.chipId = 0xF213, .flashStart = 0xE000, .flashSize = 0x2000, .ramSize = 0x200, .jtagCapable = true, .bslCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .segAEraseChoice = true, .name = "F2132"},  // 35
    {.chipId = 0xF227, .flashStart = 0xE000, .flashSize = 0x2000, .ramSize = 0x200, .jtagCapable = true, .bslCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .segAEraseChoice = true, .name = "F2232/F2234"},  // 36
    {.chipId = 0xF227, .flashStart = 0xC000, .flashSize = 0x4000, .ramSize = 0x200, .jtagCapable = true, .bslCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .segAEraseChoice = true, .name = "F2252/F2254"},  // 37
    {.chipId = 0xF227, .flashStart = 0x8000, .flashSize = 0x8000, .ramSize = 0x400, .jtagCapable = true, .bslCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .segAEraseChoice = true, .name = "F2272/F2274"},  // 38
    {.chipId = 0xF249, .flashStart = 0xE000, .flashSize = 0x2000, .ramSize = 0x400, .jtagCapable = true, .bslCapable = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F233(F2330)"},  // 39
    {.chipId = 0xF249, .flashStart = 0xC000, .flashSize = 0x4000, .ramSize = 0x800, .jtagCapable = true, .bslCapable = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F235(F2350)"},  // 40
    {.chipId = 0xF249, .flashStart = 0x8000, .flashSize = 0x8000, .ramSize = 0x800, .jtagCapable = true, .bslCapable = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F237(F2370)"},  // 41
    {.chipId = 0xF249, .flashStart = 0x8000, .flashSize = 0x8000, .ramSize = 0x1000, .jtagCapable = true, .bslCapable = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F247(F2471)"},  // 42
    {.chipId = 0xF249, .flashStart = 0x4000, .flashSize = 0xC000, .ramSize = 0x1000, .jtagCapable = true, .bslCapable = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F248(F2481)"},  // 43
    {.chipId = 0xF249, .flashStart = 0x1100, .flashSize = 0xEF00, .ramSize = 0x800, .jtagCapable = true, .bslCapable = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F249(F2491)"},  // 44
    {.chipId = 0xF249, .flashStart = 0x2000, .flashSize = 0xE000, .ramSize = 0x1000, .jtagCapable = true, .bslCapable = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F2410"},  // 45
    {.chipId = 0xF26F, .flashStart = 0x2100, .flashSize = 0x16F00, .ramSize = 0x1000, .jtagCapable = true, .bslCapable = true, .extendedAddress = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F2416(F2616)"},  // 46
    {.chipId = 0xF26F, .flashStart = 0x3100, .flashSize = 0x16F00, .ramSize = 0x2000, .jtagCapable = true, .bslCapable = true, .extendedAddress = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F2417(F2617)"},  // 47
    {.chipId = 0xF26F, .flashStart = 0x3100, .flashSize = 0x1CF00, .ramSize = 0x2000, .jtagCapable = true, .bslCapable = true, .extendedAddress = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F2418(F2618)"},  // 48
    {.chipId = 0xF26F, .flashStart = 0x2100, .flashSize = 0x1DF00, .ramSize = 0x1000, .jtagCapable = true, .bslCapable = true, .extendedAddress = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F2419(F2619)"},  // 49
    {.chipId = 0xA200, .flashStart = 0xFE00, .flashSize = 0x200, .ramSize = 0x80, .jtagCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .name = "G2001"},  // 50
    {.chipId = 0xA200, .flashStart = 0xFC00, .flashSize = 0x400, .ramSize = 0x80, .jtagCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .name = "G2111(01)"},  // 51
    {.chipId = 0xA200, .flashStart = 0xF800, .flashSize = 0x800, .ramSize = 0x80, .jtagCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .name = "G2211(01)"},  // 52
    {.chipId = 0xA200, .flashStart = 0xFC00, .flashSize = 0x400, .ramSize = 0x80, .jtagCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .name = "G2131(21)"},  // 53
    {.chipId = 0xA200, .flashStart = 0xF800, .flashSize = 0x800, .ramSize = 0x80, .jtagCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .name = "G2231(21)"},  // 54
    {.chipId = 0xA200, .flashStart = 0xFC00, .flashSize = 0x400, .ramSize = 0x80, .jtagCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .name = "G2132(02)"},  // 55
    {.chipId = 0xA200, .flashStart = 0xF800, .flashSize = 0x800, .ramSize = 0x100, .jtagCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .name = "G2232(02)"},  // 56
    {.chipId = 0xA200, .flashStart = 0xF000, .flashSize = 0x1000, .ramSize = 0x100, .jtagCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .name = "G2332(02)"},  // 57
    {.chipId = 0xA200, .flashStart = 0xE000, .flashSize = 0x2000, .ramSize = 0x100, .jtagCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .name = "G2432(02)"},  // 58
    {.chipId = 0xA200, .flashStart = 0xFC00, .flashSize = 0x400, .ramSize = 0x80, .jtagCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .name = "G2152(12)"},  // 59
    {.chipId = 0xA200, .flashStart = 0xF800, .flashSize = 0x800, .ramSize = 0x100, .jtagCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .name = "G2252(12)"},  // 60
    {.chipId = 0xA200, .flashStart = 0xF000, .flashSize = 0x1000, .ramSize = 0x100, .jtagCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .name = "G2352(12)"},  // 61
    {.chipId = 0xA200, .flashStart = 0xE000, .flashSize = 0x2000, .ramSize = 0x100, .jtagCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .name = "G2452(12)"},  // 62
    {.chipId = 0x4152, .flashStart = 0xE000, .flashSize = 0x2000, .ramSize = 0x200, .jtagCapable = true, .bslCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .segAEraseChoice = true, .name = "F4132"},  // 63
    {.chipId = 0x4152, .flashStart = 0xC000, .flashSize = 0x4000, .ramSize = 0x200, .jtagCapable = true, .bslCapable = true, .sbwCapable = true, .testPin = true, .lockableSegA = true, .sbwPinsJtag = true, .segAEraseChoice = true, .name = "F4152"},  // 64
    {.chipId = 0xF413, .flashStart = 0xF000, .flashSize = 0x1000, .ramSize = 0x100, .jtagCapable = true, .bslCapable = true, .name = "F412"},  // 65
    {.chipId = 0xF413, .flashStart = 0xE000, .flashSize = 0x2000, .ramSize = 0x100, .jtagCapable = true, .bslCapable = true, .name = "F413"},  // 66
    {.chipId = 0xF427, .flashStart = 0xC000, .flashSize = 0x4000, .ramSize = 0x200, .jtagCapable = true, .bslCapable = true, .name = "F415"},  // 67
    {.chipId = 0xF427, .flashStart = 0x8000, .flashSize = 0x8000, .ramSize = 0x400, .jtagCapable = true, .bslCapable = true, .name = "F417"},  // 68
    {.chipId = 0xF427, .flashStart = 0xE000, .flashSize = 0x2000, .ramSize = 0x100, .jtagCapable = true, .bslCapable = true, .name = "F423(2/E/W/A)"},  // 69
    {.chipId = 0xF427, .flashStart = 0xD000, .flashSize = 0x3000, .ramSize = 0x200, .jtagCapable = true, .bslCapable = true, .name = "FE4242"},  // 70
    {.chipId = 0xF427, .flashStart = 0xC000, .flashSize = 0x4000, .ramSize = 0x200, .jtagCapable = true, .bslCapable = true, .name = "F425(E/W/G/2/A)"},  // 71
    {.chipId = 0xF427, .flashStart = 0xC000, .flashSize = 0x4000, .ramSize = 0x100, .jtagCapable = true, .bslCapable = true, .name = "F4250(G)"},  // 72
    {.chipId = 0xF427, .flashStart = 0xA000, .flashSize = 0x6000, .ramSize = 0x100, .jtagCapable = true, .bslCapable = true, .name = "F4260(G)"},  // 73
    {.chipId = 0xF427, .flashStart = 0x8000, .flashSize = 0x8000, .ramSize = 0x400, .jtagCapable = true, .bslCapable = true, .name = "F427(E/W/G/2/A)"},  // 74
    {.chipId = 0xF427, .flashStart = 0x8000, .flashSize = 0x8000, .ramSize = 0x100, .jtagCapable = true, .bslCapable = true, .name = "F4270(FG)"},  // 75
    {.chipId = 0xF427, .flashStart = 0x4000, .flashSize = 0xC000, .ramSize = 0x800, .jtagCapable = true, .bslCapable = true, .name = "F428(W)"},  // 76
    {.chipId = 0xF427, .flashStart = 0x1100, .flashSize = 0xEF00, .ramSize = 0x800, .jtagCapable = true, .bslCapable = true, .name = "F429(W)"},  // 77
    {.chipId = 0xF439, .flashStart = 0xC000, .flashSize = 0x4000, .ramSize = 0x200, .jtagCapable = true, .bslCapable = true, .name = "F435(1)"},  // 78
    {.chipId = 0xF439, .flashStart = 0xA000, .flashSize = 0x6000, .ramSize = 0x400, .jtagCapable = true, .bslCapable = true, .name = "F436(1)"},  // 79
    {.chipId = 0xF439, .flashStart = 0x8000, .flashSize = 0x8000, .ramSize = 0x400, .jtagCapable = true, .bslCapable = true, .name = "F437(1/G)"},  // 80
    {.chipId = 0xF439, .flashStart = 0x4000, .flashSize = 0xC000, .ramSize = 0x800, .jtagCapable = true, .bslCapable = true, .name = "F438(1/G)"},  // 81
    {.chipId = 0xF439, .flashStart = 0x1100, .flashSize = 0xEF00, .ramSize = 0x800, .jtagCapable = true, .bslCapable = true, .name = "F439(1/G)"},  // 82
    {.chipId = 0xF449, .flashStart = 0x8000, .flashSize = 0x8000, .ramSize = 0x400, .jtagCapable = true, .bslCapable = true, .name = "F447(FG437)"},  // 83
    {.chipId = 0xF449, .flashStart = 0x4000, .flashSize = 0xC000, .ramSize = 0x800, .jtagCapable = true, .bslCapable = true, .name = "F448(1)"},  // 84
    {.chipId = 0xF449, .flashStart = 0x1100, .flashSize = 0xEF00, .ramSize = 0x800, .jtagCapable = true, .bslCapable = true, .name = "F449(1)"},  // 85
    {.chipId = 0xF46F, .flashStart = 0x2100, .flashSize = 0x16F00, .ramSize = 0x1000, .jtagCapable = true, .bslCapable = true, .extendedAddress = true, .lockableSegA = true, .name = "F4616(1/G)"},  // 86
    {.chipId = 0xF46F, .flashStart = 0x3100, .flashSize = 0x16F00, .ramSize = 0x2000, .jtagCapable = true, .bslCapable = true, .extendedAddress = true, .lockableSegA = true, .name = "F4617(1/G)"},  // 87
    {.chipId = 0xF46F, .flashStart = 0x3100, .flashSize = 0x1CF00, .ramSize = 0x2000, .jtagCapable = true, .bslCapable = true, .extendedAddress = true, .lockableSegA = true, .name = "F4618(1/G)"},  // 88
    {.chipId = 0xF46F, .flashStart = 0x2100, .flashSize = 0x1DF00, .ramSize = 0x1000, .jtagCapable = true, .bslCapable = true, .extendedAddress = true, .lockableSegA = true, .name = "F4619(1/G)"},  // 89
    {.chipId = 0xF47F, .flashStart = 0x2100, .flashSize = 0xDF00, .ramSize = 0x1000, .jtagCapable = true, .bslCapable = true, .extendedAddress = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F47126(27)"},  // 90
    {.chipId = 0xF47F, .flashStart = 0x2100, .flashSize = 0x16F00, .ramSize = 0x1000, .jtagCapable = true, .bslCapable = true, .extendedAddress = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F47163(6/7)"},  // 91
    {.chipId = 0xF47F, .flashStart = 0x3100, .flashSize = 0x16F00, .ramSize = 0x2000, .jtagCapable = true, .bslCapable = true, .extendedAddress = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F47173(6/7)"},  // 92
    {.chipId = 0xF47F, .flashStart = 0x3100, .flashSize = 0x1CF00, .ramSize = 0x2000, .jtagCapable = true, .bslCapable = true, .extendedAddress = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F47183(6/7)"},  // 93
    {.chipId = 0xF47F, .flashStart = 0x2100, .flashSize = 0x1DF00, .ramSize = 0x1000, .jtagCapable = true, .bslCapable = true, .extendedAddress = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F47193(6/7)"},  // 94
    {.chipId = 0xF47F, .flashStart = 0x8000, .flashSize = 0x8000, .ramSize = 0x800, .jtagCapable = true, .bslCapable = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F477(G)"},  // 95
    {.chipId = 0xF47F, .flashStart = 0x4000, .flashSize = 0xC000, .ramSize = 0x800, .jtagCapable = true, .bslCapable = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F478(G)"},  // 96
    {.chipId = 0xF47F, .flashStart = 0x1100, .flashSize = 0xEF00, .ramSize = 0x800, .jtagCapable = true, .bslCapable = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F479(G)"},  // 97
    {.chipId = 0xF47F, .flashStart = 0x4000, .flashSize = 0xC000, .ramSize = 0x800, .jtagCapable = true, .bslCapable = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F4783/84"},  // 98
    {.chipId = 0xF47F, .flashStart = 0x1100, .flashSize = 0xEF00, .ramSize = 0xA00, .jtagCapable = true, .bslCapable = true, .lockableSegA = true, .segAEraseChoice = true, .name = "F4793/94"},  // 99
}};
// clang-format on

}  // namespace

const std::array<DeviceRecord, kDeviceCount>& DeviceCatalogue() {
    return kDevices;
}

const DeviceRecord& DeviceAt(int row) {
    // A stored or typed row outside the list falls back to the first device.
    if (row < 0 || row >= kDeviceCount) {
        return kDevices[0];
    }
    return kDevices[static_cast<std::size_t>(row)];
}

}  // namespace kx::devices
