// Family names that the output pane prints for a reported chip identification.

#include <array>
#include <utility>

#include "devices/device_catalogue.h"

namespace kx::devices {
namespace {

struct Family {
    std::uint16_t chipId;
    std::string_view name;
};

// The G2xx identification 0xA200 deliberately has no entry: it is printed as a number.
constexpr std::array<Family, 19> kFamilies = {{
    {0x1132, "F11x2"},
    {0x1232, "F12x2"},
    {0x4152, "F41x2"},
    {0xF112, "F11x,F11x1,F11x1A"},
    {0xF123, "F12x"},
    {0xF149, "F13x,F13x1,F14x,F14x1"},
    {0xF169, "F15x,F16x"},
    {0xF16C, "F161x"},
    {0xF201, "F20xx"},
    {0xF213, "F21x1,F21x2"},
    {0xF227, "F22xx"},
    {0xF249, "F23x,F23x0,F24x,F24x1"},
    {0xF26F, "F261x"},
    {0xF413, "F412,F413"},
    {0xF427, "F415,417,F42x0,FE42x,FW42x"},
    {0xF439, "F43x,FG43x"},
    {0xF449, "F43x,F43x1,F44x,F44x1"},
    {0xF46F, "FG46xx"},
    {0xF47F, "F47197"},
}};

}  // namespace

std::optional<std::string_view> FamilyName(std::uint16_t chipId) {
    for (const Family& family : kFamilies) {
        if (family.chipId == chipId) {
            return family.name;
        }
    }
    return std::nullopt;
}

}  // namespace kx::devices
