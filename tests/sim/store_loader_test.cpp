// The offline store and the box's own loader, up to a firmware update seen end to end.

#include <gtest/gtest.h>

#include <tuple>

#include "sim_rig.h"

namespace kx::sim::test {
namespace {

constexpr int kLinkCommandFailed = link::kLinkCommandFailed;

std::array<std::uint8_t, link::kOfflineSetupSize> SetupRecord(std::uint8_t count,
                                                              std::uint32_t length) {
    std::array<std::uint8_t, link::kOfflineSetupSize> r{};
    r[0] = count;
    r[1] = static_cast<std::uint8_t>(0xFF - count);
    r[4] = static_cast<std::uint8_t>(length);
    r[5] = static_cast<std::uint8_t>(length >> 8);
    r[6] = static_cast<std::uint8_t>(length >> 16);
    r[66] = 0xFF;
    return r;
}

TEST(OfflineStore, SetupChecksAndOffsetsInBothByteOrders) {
    BoxConfig c;
    c.storeSize = 0x20000;
    Rig rig(c);
    const std::vector<std::uint8_t> data{1, 2, 3, 4, 5};
    EXPECT_EQ(rig.link.StoreWrite(0, data), link::kLinkCommandFailed);  // no setup yet

    auto bad = SetupRecord(2, 0x100);
    bad[1] = 0xFC;
    EXPECT_EQ(std::tuple(rig.link.OfflineSetup(bad), rig.link.OfflineSetup(SetupRecord(1, 0x20001)),
                         rig.box->SetupRecord().has_value()),
              std::tuple(kLinkCommandFailed, kLinkCommandFailed, false));

    const auto good = SetupRecord(3, 0x10090);
    ASSERT_EQ(rig.link.OfflineSetup(good), link::kLinkOk);
    EXPECT_EQ(*rig.box->SetupRecord(), good);

    ASSERT_EQ(rig.link.StoreWrite(0x010080, data), link::kLinkOk);
    EXPECT_EQ(std::tuple(rig.box->Store()[0x010080], rig.box->Store()[0x000080]),
              std::tuple(1, 0xFF));
    std::vector<std::uint8_t> reply(5 + 6);
    ASSERT_EQ(rig.link.StoreRead(0x010080, 5, reply), link::kLinkOk);
    EXPECT_EQ(std::vector<std::uint8_t>(reply.begin() + 4, reply.begin() + 9), data);
    // Past the announced image length: refused.
    EXPECT_EQ(rig.link.StoreWrite(0x01008C, data), link::kLinkCommandFailed);
}

class FirmwareUpdate : public ::testing::Test {
  protected:
    explicit FirmwareUpdate(std::uint16_t loaderVersion = 0x0161) : rig_(Config(loaderVersion)) {}

    static BoxConfig Config(std::uint16_t loaderVersion) {
        BoxConfig c;
        c.identification = "KX_VELDRAN V02.72A";
        c.loaderVersion = loaderVersion;
        return c;
    }
    void ToLoader() {
        ASSERT_EQ(rig_.Version(), "KX_VELDRAN V02.72A");
        ASSERT_EQ(rig_.link.EnterLoader(), link::kLinkOk);
        EXPECT_EQ(rig_.box->Mode(), BoxMode::Loader);
        EXPECT_EQ(rig_.Version(), "");  // nobody listens at 115200 any more
        ASSERT_EQ(rig_.link.OpenPort(rig_.index, kLoaderBaud), link::kLinkOk);
    }
    int Sync() { return rig_.link.SyncLoader(); }
    // The sync byte the loader wants before each frame, then the frame.
    template <class Frame>
    auto Synced(Frame frame) {
        EXPECT_EQ(Sync(), link::kLinkOk);
        return frame();
    }

    Rig rig_;
};

TEST_F(FirmwareUpdate, LoaderSessionWritesFirmwareAndLoadPcStartsIt) {
    ToLoader();
    // No password before the erase, and no reading before the password.
    EXPECT_EQ(Synced([&] { return rig_.link.RxPassword(0xFFE0, kBlank); }), kLinkCommandFailed);
    EXPECT_TRUE(Synced([&] { return rig_.Read(0x0FFA, 2); }).empty());
    ASSERT_EQ(Synced([&] { return rig_.link.MassErase(); }), link::kLinkOk);
    ASSERT_EQ(Synced([&] { return rig_.link.RxPassword(0xFFE0, kBlank); }), link::kLinkOk);
    EXPECT_EQ(Synced([&] { return rig_.Read(0x0FFA, 2); }),
              (std::vector<std::uint8_t>{0x01, 0x61}));

    const auto code = FirmwareImage("KX_VELDRAN V02.73A");
    ASSERT_EQ(Synced([&] { return rig_.link.RxDataBlock(0x1100, std::span(code).first(128)); }),
              link::kLinkOk);
    for (std::size_t off = 128; off < code.size(); off += 128)  // written without the loader
        rig_.box->OwnFlash().Program(static_cast<std::uint32_t>(0x1100 + off),
                                     std::span(code).subspan(off, 128));
    const std::vector<std::uint8_t> reset{0x00, 0x11};
    ASSERT_EQ(Synced([&] { return rig_.link.RxDataBlock(0xFFFE, reset); }), link::kLinkOk);
    // A frame without its own sync: the header is taken for the sync, the rest is lost.
    EXPECT_EQ(rig_.link.LoadPc(0x1100), link::kLinkOk);
    EXPECT_EQ(rig_.box->Mode(), BoxMode::Loader);
    ASSERT_EQ(Sync(), link::kLinkSyncFailed);  // the loader is still waiting for that frame
    rig_.clock.Advance(50);                    // an idle line ends the half frame
    ASSERT_EQ(Synced([&] { return rig_.link.LoadPc(0x1100); }), link::kLinkOk);
    EXPECT_EQ(rig_.box->Mode(), BoxMode::Firmware);

    ASSERT_EQ(rig_.link.OpenPort(rig_.index, kFirmwareBaud), link::kLinkOk);
    EXPECT_EQ(rig_.Version(), "KX_VELDRAN V02.73A");
    const auto sent = rig_.box->GetTrace().ReceivedCommands();
    // Eight answered syncs, and the header of the frame sent without one.
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "SYNC"), 9);
}

TEST_F(FirmwareUpdate, RestartPulseStartsTheWrittenFirmwareOrLeavesTheBoxDead) {
    ToLoader();
    Synced([&] { return rig_.link.MassErase(); });
    rig_.link.ClosePort();
    ASSERT_EQ(rig_.link.OpenPort(rig_.index, kFirmwareBaud), link::kLinkOk);
    rig_.link.ResetProgrammer();  // erased flash: nothing to start
    EXPECT_EQ(rig_.box->Mode(), BoxMode::Dead);
    EXPECT_EQ(rig_.Version(), "");
    ASSERT_EQ(rig_.link.OpenPort(rig_.index, kLoaderBaud), link::kLinkOk);
    EXPECT_EQ(Sync(), link::kLinkSyncFailed);

    // Write a firmware directly, as if an update had finished, then pulse again.
    const auto code = FirmwareImage("KX_VELDRAN V02.74B");
    rig_.box->OwnFlash().Program(0x1100, code);
    const std::vector<std::uint8_t> reset{0x00, 0x11};
    rig_.box->OwnFlash().Program(0xFFFE, reset);
    ASSERT_EQ(rig_.link.OpenPort(rig_.index, kFirmwareBaud), link::kLinkOk);
    rig_.link.ResetProgrammer();
    EXPECT_EQ(rig_.Version(), "KX_VELDRAN V02.74B");
}

class OldLoader : public FirmwareUpdate {
  protected:
    OldLoader() : FirmwareUpdate(0x0110) {}
};

TEST_F(OldLoader, PatchPathAsTheUpdateUsesIt) {
    ToLoader();
    Synced([&] { return rig_.link.MassErase(); });
    Synced([&] { return rig_.link.RxPassword(0xFFE0, kBlank); });
    // The loader re-entered is locked again.
    ASSERT_EQ(Synced([&] { return rig_.link.LoadPc(0x0C22); }), link::kLinkOk);
    EXPECT_TRUE(Synced([&] { return rig_.Read(0x0FFA, 2); }).empty());
    ASSERT_EQ(Synced([&] { return rig_.link.RxPassword(0xFFE0, kBlank); }), link::kLinkOk);
    const std::vector<std::uint8_t> patch(194, 0x43);
    ASSERT_EQ(Synced([&] { return rig_.link.RxDataBlock(0x0220, patch); }), link::kLinkOk);
    ASSERT_EQ(Synced([&] { return rig_.link.LoadPc(0x0220); }), link::kLinkOk);

    const std::vector<std::uint8_t> block(128, 0x3C);
    EXPECT_EQ(Synced([&] { return rig_.link.RxDataBlock(0x1100, block); }), link::kLinkOk);
    // Not re-armed by a jump to the patch: refused.
    EXPECT_EQ(Synced([&] { return rig_.link.RxDataBlock(0x1180, block); }), kLinkCommandFailed);
    Synced([&] { return rig_.link.LoadPc(0x0220); });
    EXPECT_EQ(Synced([&] { return rig_.link.RxDataBlock(0x1180, block); }), link::kLinkOk);
    EXPECT_EQ(rig_.box->OwnFlash().Byte(0x11FF), 0x3C);
    EXPECT_EQ(rig_.box->Mode(), BoxMode::Loader);
    EXPECT_EQ(Synced([&] { return rig_.link.LoadPc(0x3000); }), link::kLinkOk);  // no code
    EXPECT_EQ(rig_.box->Mode(), BoxMode::Dead);
}

}  // namespace
}  // namespace kx::sim::test
