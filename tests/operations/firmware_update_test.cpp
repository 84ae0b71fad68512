#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "operations/firmware_container.h"

namespace kx::ops {
namespace {

std::string TextAt(const FirmwareContainer& c, std::uint32_t address, std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i) {
        const auto b = c.ByteAt(address + static_cast<std::uint32_t>(i));
        text.push_back(b ? static_cast<char>(*b) : '?');
    }
    return text;
}

TEST(FirmwareContainerTest, CarriedStandInsHaveTheShapeTheUpdateNeeds) {
    ContainerError error = ContainerError::Empty;
    ASSERT_EQ(ProgrammerFirmwareBytes().size(), 11866U);
    const auto firmware = ParseFirmwareContainer(ProgrammerFirmwareBytes(), &error);
    ASSERT_TRUE(firmware) << ContainerErrorText(error);
    EXPECT_EQ(error, ContainerError::None);
    ASSERT_EQ(firmware->segments.size(), 2U);
    EXPECT_EQ(firmware->segments[0].address, 0x1100);
    EXPECT_EQ(firmware->segments[0].wordCount, 5912);
    EXPECT_EQ(firmware->segments[0].bytes.size(), 11824U);
    EXPECT_EQ(firmware->segments[1].address, 0xFFE0);
    EXPECT_EQ(firmware->segments[1].wordCount, 16);
    EXPECT_EQ(firmware->WordSum() * 2, 11856);

    const std::string id = std::string("#0A") + "KX_VELDRAN V02.73" + std::string(1, '\0');
    EXPECT_EQ(TextAt(*firmware, 0x11C5, id.size()), id);
    const std::string code(firmware->segments[0].bytes.begin(), firmware->segments[0].bytes.end());
    EXPECT_NE(code.find("STAND-IN FIRMWARE, NOT FOR A REAL BOX"), std::string::npos);

    const auto low = firmware->ByteAt(0xFFFE);
    const auto high = firmware->ByteAt(0xFFFF);
    ASSERT_TRUE(low && high);
    const unsigned reset = *low | (*high << 8);
    EXPECT_GE(reset, 0x1100U);
    EXPECT_LT(reset, 0x1100U + 11824U);

    ASSERT_EQ(LoaderPatchBytes().size(), 200U);
    const auto patch = ParseFirmwareContainer(LoaderPatchBytes());
    ASSERT_TRUE(patch);
    ASSERT_EQ(patch->segments.size(), 1U);
    EXPECT_EQ(patch->segments[0].address, 0x0220);
    EXPECT_EQ(patch->segments[0].bytes.size(), 194U);
}

TEST(FirmwareContainerTest, DamagedContainersAreRefusedWhole) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        ContainerError expected;
    };
    const std::vector<Case> cases = {
        {{}, ContainerError::Empty},
        {{0x01}, ContainerError::Truncated},
        {{0x00, 0x00}, ContainerError::NoSegments},
        {{0x01, 0x00, 0x00, 0x11}, ContainerError::Truncated},                      // no length
        {{0x01, 0x00, 0x00, 0x11, 0x02, 0x00, 0xAA, 0xBB, 0xCC}, ContainerError::Truncated},
        {{0x01, 0x00, 0x00, 0x11, 0x01, 0x00, 0xAA, 0xBB, 0xCC}, ContainerError::TrailingBytes},
        {{0x01, 0x00, 0x01, 0x11, 0x01, 0x00, 0xAA, 0xBB}, ContainerError::BadSegment},  // odd
        {{0x01, 0x00, 0xFE, 0xFF, 0x02, 0x00, 1, 2, 3, 4}, ContainerError::BadSegment},  // wraps
        {{0x01, 0x00, 0x00, 0x11, 0x00, 0x00}, ContainerError::BadSegment},  // no words
        // Second segment announced but missing.
        {{0x02, 0x00, 0x00, 0x11, 0x01, 0x00, 0xAA, 0xBB}, ContainerError::Truncated},
    };
    for (const auto& c : cases) {
        ContainerError error = ContainerError::None;
        EXPECT_FALSE(ParseFirmwareContainer(c.bytes, &error));
        EXPECT_EQ(error, c.expected) << "case of " << c.bytes.size() << " bytes";
    }

    // The last word of memory is still a valid place; words keep their byte order.
    const std::vector<std::uint8_t> last = {0x01, 0x00, 0xFE, 0xFF, 0x01, 0x00, 0x34, 0x12};
    const auto parsed = ParseFirmwareContainer(last);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->ByteAt(0xFFFE), 0x34);
    EXPECT_EQ(parsed->ByteAt(0xFFFF), 0x12);
    EXPECT_FALSE(parsed->ByteAt(0xFFFD));
}

}  // namespace
}  // namespace kx::ops
