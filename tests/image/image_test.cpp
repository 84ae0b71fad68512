#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/atomic_file.h"
#include "devices/device_catalogue.h"
#include "image/load_report.h"
#include "image/outside_data.h"
#include "image/password_file.h"
#include "image/titxt_reader.h"
#include "image/titxt_writer.h"
#include "messages/text_output.h"

namespace kx::image {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// A refused parse fails the test but still yields an (empty) image to check against.
TiTxtLoad Load(std::string_view text) {
    auto result = ParseTiTxt(Bytes(text));
    if (auto* ok = std::get_if<TiTxtLoad>(&result)) return std::move(*ok);
    ADD_FAILURE() << "refused: " << text;
    return TiTxtLoad{.image = std::make_unique<CodeImage>(), .viewText = {}, .fileSha256 = {}};
}

TiTxtRefusal Refuse(std::string_view text) {
    auto result = ParseTiTxt(Bytes(text));
    if (auto* refusal = std::get_if<TiTxtRefusal>(&result)) return *refusal;
    ADD_FAILURE() << "accepted: " << text;
    return {};
}

const image::Words16 kSample = {0x1234, 0x2345, 0x3456, 0x4567, 0x5678, 0x6789, 0x789A, 0x89AB,
                                0x9ABC, 0xABCD, 0xBCDE, 0xCDEF, 0xDF00, 0xF011, 0x0122, 0x1233};

// The refusal's message, or "accepted" when the file gives the sample words.
std::string Outcome(const std::string& text) {
    const auto result = ParsePasswordFile(Bytes(text));
    if (const auto* r = std::get_if<PasswordFileRefusal>(&result)) return r->message;
    return std::get<image::Words16>(result) == kSample ? "accepted" : "other words";
}

TEST(PasswordFile, LayoutAndRoundTrip) {
    const std::string text = PasswordFileText(kSample);
    EXPECT_EQ(text,  // low byte of each word first
              "@FFE0\r\n34 12 45 23 56 34 67 45 78 56 89 67 9A 78 AB 89\r\n"
              "BC 9A CD AB DE BC EF CD 00 DF 11 F0 22 01 33 12\r\nq\r\n");
    std::string lower = text;
    for (char& c : lower) c = (c >= 'A' && c <= 'F') ? char(c + 32) : c;
    EXPECT_EQ(Outcome(text), "accepted");
    EXPECT_EQ(Outcome(lower), "accepted");
}

// What is not a readable regular file is refused, with its reason in the user's language,
// without blocking and without reading more than the largest file of its kind.
TEST(FileInputs, AreRefusedWithTheirReason) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kx_inputs_" + std::to_string(::getpid()));
    std::filesystem::create_directory(dir);
    const std::string big = dir / "big.txt";
    ASSERT_TRUE(WriteFileAtomically(big, "@"));
    std::filesystem::resize_file(big, kMaxTiTxtFileSize + 1);  // sparse: nothing to read

    const auto codeRefusal = [](const std::string& path, UiLanguage language) {
        const auto result = LoadTiTxtFile(path);
        const auto* refusal = std::get_if<TiTxtRefusal>(&result);
        return refusal ? RefusalText(*refusal, language) : "loaded";
    };
    EXPECT_EQ(codeRefusal(dir, UiLanguage::English),
              "Cannot read the file; not loaded: it is a folder, not a file\r\n");
    EXPECT_EQ(codeRefusal("/dev/zero", UiLanguage::Chinese),
              "无法读取文件，文件未载入：这不是普通文件（而是设备、管道或套接字）\r\n");
    EXPECT_EQ(codeRefusal(big, UiLanguage::English),
              "Cannot read the file; not loaded: it is too large (8388609 bytes; at most "
              "8388608)\r\n");
    EXPECT_EQ(codeRefusal(dir / "missing.txt", UiLanguage::Chinese),
              "无法读取文件，文件未载入：文件不存在\r\n");

    const auto passwordRefusal = [](const std::string& path, UiLanguage language) {
        const auto result = ReadPasswordFile(path, language);
        const auto* refusal = std::get_if<PasswordFileRefusal>(&result);
        return refusal ? refusal->message : "loaded";
    };
    EXPECT_EQ(passwordRefusal(dir, UiLanguage::Chinese), "无法读取文件：这是一个文件夹，不是文件");
    EXPECT_EQ(passwordRefusal(big, UiLanguage::English), "文件长度不符！");
    EXPECT_EQ(SavePasswordFile(dir / "no-folder" / "x.TXT", kSample)->problem,
              PasswordFileProblem::Unwritable);
    std::filesystem::remove_all(dir);
}

TEST(PasswordFile, RefusesInOrderAndNeverTakesANonDigit) {
    const std::string good = PasswordFileText(kSample);
    const auto with = [](std::string text, std::size_t at, std::string_view part) {
        return text.replace(at, part.size(), part);
    };
    const std::string wrongAddress = with(good, 1, "FFF0");
    const std::string noMark = with(wrongAddress, 105, "x");
    EXPECT_EQ(Outcome(noMark + "\n"), "文件长度不符！");
    EXPECT_EQ(Outcome(noMark), "文件格式不符！");
    EXPECT_EQ(Outcome(with(good, 0, "#")), "文件格式不符！");
    EXPECT_EQ(Outcome(wrongAddress), "入口地址不符！");
    // Every address digit and all 64 data digits, each checked before the address.
    for (std::size_t at = 1; at < 103; ++at) {
        if (!std::isxdigit(static_cast<unsigned char>(good[at]))) continue;
        for (const char bad : {'G', ' ', '\0'}) {
            EXPECT_EQ(Outcome(with(wrongAddress, at, std::string(1, bad))), "文件格式不符！") << at;
        }
    }
}

void Fill(CodeImage& image, std::uint32_t from, std::uint32_t count, std::uint8_t first = 0) {
    for (std::uint32_t k = 0; k < count; ++k) image.Set(from + k, std::uint8_t(first + k));
}

TEST(TiTxtReader, LoadsCountsAndKeepsTheText) {
    // A data line of 24 pairs (71 characters) is read whole; a byte stored twice counts twice.
    const std::string text =
        "@2000\r\n00 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31 32 33\r\n"
        "@2000\r\n5A\r\n@F000\r\n31 40 00 0A\r\nq\r\n";
    const auto load = Load(text);
    EXPECT_EQ(load.byteCount, 29u);
    EXPECT_EQ(load.image->At(0x2000), 0x5A);
    EXPECT_EQ(load.image->At(0x2017), 0x33);
    EXPECT_EQ(load.image->WordAt(0xF002), 0x0A00);
    EXPECT_EQ(load.image->CountUsedBlocks(kImageSize), 3u);  // nothing else written
    EXPECT_EQ(load.viewText, text);

    // Lower case, LF alone, trailing blanks, a 5-digit address, blank lines and an upper-case
    // end line without a line end; lines after the end line are not loaded.
    const auto mixed = Load("@f000\n3a 4b  \n\n@10000\r\nc0 de\t\nQ\n@2000\n22\nq");
    EXPECT_EQ(mixed.byteCount, 4u);
    EXPECT_EQ(mixed.image->WordAt(0xF000), 0x4B3A);
    EXPECT_EQ(mixed.image->WordAt(0x10000), 0xDEC0);
    EXPECT_EQ(mixed.image->At(0x2000), 0xFF);
    // The last byte of the image; an address line alone may point beyond it.
    EXPECT_EQ(Load("@45BFF\n7E\n@FFFFF\nq\n").image->At(0x45BFF), 0x7E);
}

TEST(TiTxtReader, RefusesWhatIsNotTiTxt) {
    // Line 0: the frame (no leading "@", no end line last, blank before the "q"). The others
    // are non-digits where digits must stand; each once gave invented or shifted bytes.
    const std::pair<const char*, std::size_t> cases[] = {
        {"@F000\r\n11\r\n", 0},       {"\r\n@F000\r\n11\r\nq\r\n", 0},
        {"@F000\nq\n11\n", 0},        {"@F000\n11\n q\n", 0},
        {"@F000\n31 4G\nq\n", 2},     {"@F000\n31 4\nq\n", 2},
        {"@F000\n3140\nq\n", 2},      {"@F000\n31  40\nq\n", 2},
        {"@F000\n 31\nq\n", 2},       {"@F000\n31\r40\nq\n", 2},
        {"@F0X0\n31\nq\n", 1},        {"@\n31\nq\n", 1},
        {"@F000\n31\n@1O00\nq\n", 3}, {"", 0}};
    for (const auto& [text, line] : cases) {
        const auto refusal = Refuse(text);
        EXPECT_EQ(refusal.problem, TiTxtProblem::Format) << text;
        EXPECT_EQ(refusal.message, Message::FileFormatMismatch) << text;
        EXPECT_EQ(refusal.line, line) << text;
    }
}

TEST(LoadReport, PaneAndTitle) {
    TextOutput out(UiLanguage::English);
    ReportLoad(out, "/home/u/blink.txt", 1234);
    EXPECT_EQ(out.ShownText(), "Load file:\r\n/home/u/blink.txt\r\nCode size(Bytes):1234\r\n");
    ReportRefusal(out, Refuse("@1\n"));
    EXPECT_EQ(out.ShownText(), "File format not match!\r\n");
    ReportRefusal(out, Refuse("@45BFE\n01 02 03\nq\n"));
    EXPECT_EQ(out.ShownText(),
              "Data at address 0x45C00 lies beyond the largest MSP430 memory (0x45BFF); file "
              "not loaded. Check the file's address lines.\r\n");

    EXPECT_EQ(WindowTitle("/home/u/Blink.TXT"), "KX_VELDRAN V02.73A - Blink.TXT");
    EXPECT_EQ(WindowTitle("C:\\code\\Blink.TXT"), "KX_VELDRAN V02.73A - Blink.TXT");
}

TEST(RenderImageText, PrintsRunsOfUsedBlocks) {
    CodeImage image;
    EXPECT_EQ(RenderImageText(image, 0x10000), "q\r\n");
    Fill(image, 0x200, 48);
    for (std::uint32_t a = 0x210; a < 0x220; ++a) image.Set(a, 0xFF);  // omitted: splits
    Fill(image, 0xFC08, 8, 1);  // a partial block shows whole
    EXPECT_EQ(RenderImageText(image, 0x10000),
              "@0200\r\n00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\r\n"
              "@0220\r\n20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F\r\n"
              "@FC00\r\nFF FF FF FF FF FF FF FF 01 02 03 04 05 06 07 08\r\nq\r\n");
}

TEST(RenderImageText, RoundTripsThroughTheReaderAndTheFile) {
    CodeImage image;
    Fill(image, 0x1100, 0x123, 7);
    Fill(image, 0xFFE0, 0x40, 0x80);  // one run across 0x10000
    image.Set(0x10050, 0x55);
    const std::string text = RenderImageText(image, 0x20000);
    EXPECT_EQ(text.find("@10000"), std::string::npos);
    EXPECT_NE(text.find("\r\n@10050\r\n55 FF"), std::string::npos) << text;
    EXPECT_EQ(RenderImageText(image, 0x10000).find("@10050"), std::string::npos);
    const auto load = Load(text);
    EXPECT_EQ(std::memcmp(load.image->Data(), image.Data(), kImageSize), 0);

    // Saving writes non-empty lines whole, with CR LF; a rendered text byte for byte.
    EXPECT_EQ(ViewTextFileBytes(text), text);
    const std::string longLine(70, '1');
    EXPECT_EQ(ViewTextFileBytes("@F000\n\n" + longLine + "\r\n\r\nq"),
              "@F000\r\n" + longLine + "\r\nq\r\n");
    const std::string path =
        std::filesystem::temp_directory_path() / ("kx_code_" + std::to_string(::getpid()) + ".TXT");
    std::string error;
    ASSERT_TRUE(SaveViewText(path, text, UiLanguage::English, &error)) << error;
    EXPECT_EQ(ReadWholeFile(path), std::vector<std::uint8_t>(text.begin(), text.end()));
    std::filesystem::remove(path);
    EXPECT_FALSE(SaveViewText("/nonexistent-folder/a.TXT", text, UiLanguage::Chinese, &error));
    EXPECT_EQ(error.rfind("文件无法写入", 0), 0u) << error;
}

TEST(OutsideData, SaysWhatTheDeviceCannotHoldPlaceByPlace) {
    CodeImage image;
    Fill(image, 0x0200, 8);
    image.Set(0x0204, 0xFF);     // 0xFF is no data
    Fill(image, 0x1000, 0x100);  // information memory
    Fill(image, 0x1100, 16);
    Fill(image, 0x2100, 16);
    Fill(image, 0x1FFFF, 17);
    const auto& f149 = devices::DeviceAt(13);   // flash 0x1100..0xFFFF
    const auto& f2619 = devices::DeviceAt(49);  // flash 0x2100..0x1FFFF
    using P = OutsidePlace;
    EXPECT_EQ(DataOutsideDevice(image, f2619),
              (std::vector<OutsideSpan>{{P::BelowProgramStart, 0x0200, 0x0207, 7},
                                        {P::BetweenInfoAndFlash, 0x1100, 0x110F, 16},
                                        {P::BeyondFlash, 0x20000, 0x2000F, 16}}));
    const auto onF149 = DataOutsideDevice(image, f149);
    EXPECT_EQ(onF149, (std::vector<OutsideSpan>{{P::BelowProgramStart, 0x0200, 0x0207, 7},
                                                {P::BeyondFlash, 0x1FFFF, 0x2000F, 17}}));
    EXPECT_EQ(OutsideDataText(onF149, f149, UiLanguage::English),
              "Warning: 24 bytes of the code lie outside the memory of MSP430F149(F1491) and "
              "cannot be programmed:\r\n"
              "  7 bytes in 0x0200..0x0207, below 0x1000\r\n"
              "  17 bytes in 0x1FFFF..0x2000F, beyond the end of the flash at 0xFFFF\r\n");
    EXPECT_EQ(OutsideDataText(DataOutsideDevice(image, f2619), f2619, UiLanguage::Chinese),
              "警告：代码中有 39 个字节不在 MSP430F2419(F2619) 的存储范围内，无法编程：\r\n"
              "  0x0200..0x0207 中 7 个字节，低于0x1000\r\n"
              "  0x1100..0x110F 中 16 个字节，在信息存储器与Flash（起始于0x2100）之间\r\n"
              "  0x20000..0x2000F 中 16 个字节，超出Flash末地址0x1FFFF\r\n");

    CodeImage fits;  // information memory and flash up to the last byte
    Fill(fits, 0x1000, 0x100);
    Fill(fits, 0xE000, 0x2000);
    EXPECT_TRUE(DataOutsideDevice(fits, f149).empty());
    EXPECT_EQ(OutsideDataText({}, f149, UiLanguage::English), "");
}

TEST(CodeImage, BlockWalks) {
    CodeImage image;
    for (std::uint32_t a : {0x0FFFu, 0x1000u, 0x101Fu, 0xFFFFu, 0x10000u}) image.Set(a, 0);
    EXPECT_EQ(image.CountUsedBlocks(0x10000), 3u);  // nothing below 0x1000
    EXPECT_EQ(image.CountUsedBlocks(0xFFF0), 2u);   // the end is exclusive
    std::vector<std::uint32_t> seen;                // a start inside a block rounds up
    image.ForEachUsedBlock(0xFF8, 0x1010, [&](std::uint32_t a) { seen.push_back(a); });
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{0x1000}));

    EXPECT_FALSE(image.IsBlockEmpty(0xFE8, 24));
    EXPECT_TRUE(image.IsBlockEmpty(0x1001, 24));
    EXPECT_TRUE(image.IsBlockEmpty(kImageSize - 8, 24));  // past the end reads 0xFF
    image.Set(kImageSize - 1, 0);
    EXPECT_FALSE(image.IsBlockEmpty(kImageSize - 8, 24));
}

}  // namespace
}  // namespace kx::image
