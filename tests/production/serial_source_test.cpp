#include "production/serial_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

#include "platform/atomic_file.h"

namespace kx::production {
namespace {

namespace fs = std::filesystem;

struct TempDir {
    TempDir() {
        // Portable: Windows has no mkdtemp.
        do {
            path = fs::temp_directory_path() / ("kx-src-" + std::to_string(std::random_device{}()));
        } while (!fs::create_directory(path));
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

std::string Slurp(const fs::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Eight boxes taking numbers at once from one file: every number once, none skipped, the
// typed number first and the counter continuing after it.
TEST(FileSerialSource, ThreadsShareOneSequenceStartingAtTheTypedNumber) {
    TempDir dir;
    const std::string path = (dir.path / "KX_VELDRAN.ini").string();
    ASSERT_TRUE(WriteFileAtomically(path, "[number]\nproduct_num=100\n"));
    FileSerialSource source(path, 500u, UiLanguage::English);
    EXPECT_FALSE(source.Check().has_value());
    EXPECT_EQ(Slurp(path), "[number]\nproduct_num=100\n");  // checking takes nothing

    std::vector<std::vector<std::uint32_t>> taken(8);
    std::vector<std::thread> threads;
    for (auto& mine : taken) {
        threads.emplace_back([&source, &mine] {
            for (int i = 0; i < 20; ++i) {
                const SourceTake t = source.Take();
                if (t.number) mine.push_back(*t.number);
            }
        });
    }
    for (auto& t : threads) t.join();
    std::vector<std::uint32_t> all;
    for (const auto& mine : taken) {
        EXPECT_TRUE(std::is_sorted(mine.begin(), mine.end()));  // each box in take order
        all.insert(all.end(), mine.begin(), mine.end());
    }
    std::sort(all.begin(), all.end());
    ASSERT_EQ(all.size(), 160u);
    for (std::size_t i = 0; i < all.size(); ++i) ASSERT_EQ(all[i], 500u + i);
    EXPECT_EQ(Slurp(path), "[number]\nproduct_num=660\n");

    // Only the last number taken goes back; an earlier one would be handed out twice.
    EXPECT_FALSE(source.GiveBack(658));
    EXPECT_TRUE(source.GiveBack(659));
    EXPECT_EQ(source.Take().number, 659u);
}

TEST(FileSerialSource, RefusesWhatCannotBeTakenOrStoredWithTheLinesToSay) {
    TempDir dir;
    const std::string path = (dir.path / "KX_VELDRAN.ini").string();
    ASSERT_TRUE(WriteFileAtomically(path, "[number]\nproduct_num=abc\n"));
    FileSerialSource guessing(path, std::nullopt, UiLanguage::English);
    const auto refusal = guessing.Check();
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->exitStatus, kSourceRefusedStatus);
    ASSERT_EQ(refusal->lines.size(), 1u);
    EXPECT_NE(refusal->lines[0].find("product_num=abc"), std::string::npos) << refusal->lines[0];
    const SourceTake none = guessing.Take();
    EXPECT_FALSE(none.number.has_value());
    ASSERT_EQ(none.refusal.lines.size(), 2u);
    EXPECT_EQ(Slurp(path), "[number]\nproduct_num=abc\n");

    // A typed number needs no readable counter, but a counter that cannot be stored stops
    // the run before any unit, in the user's language.
    FileSerialSource typed(path, 7u, UiLanguage::Chinese);
    EXPECT_FALSE(typed.Check().has_value());
    fs::create_directory(dir.path / "adir");
    FileSerialSource folder((dir.path / "adir").string(), 7u, UiLanguage::Chinese);
    const auto notAFile = folder.Check();
    ASSERT_TRUE(notAFile.has_value());
    ASSERT_EQ(notAFile->lines.size(), 2u);
    EXPECT_NE(notAFile->lines[1].find("未"), std::string::npos) << notAFile->lines[1];
    EXPECT_FALSE(folder.Take().number.has_value());
}

TEST(MemorySerialSource, CountsFromTheFirstAndTakesBackOnlyTheLast) {
    MemorySerialSource source(4294967294u);
    EXPECT_EQ(source.Take().number, 4294967294u);
    EXPECT_EQ(source.Take().number, 4294967295u);
    EXPECT_EQ(source.Take().number, 0u);  // wraps, as the counter does
    EXPECT_FALSE(source.GiveBack(4294967295u));
    EXPECT_TRUE(source.GiveBack(0u));
    EXPECT_EQ(source.Next(), 0u);
}

}  // namespace
}  // namespace kx::production
