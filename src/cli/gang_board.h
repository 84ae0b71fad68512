#pragma once
// What a gang shows while its boxes work, written from the boxes' threads: on a terminal one
// live line per box (port, progress, step) redrawn in place; without one each box's report
// lines with its port before them, so that interleaved lines still say whose they are.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace kx::cli {

class GangBoard {
  public:
    struct Streams {
        std::FILE* report = stdout;  // report lines, port first
        std::FILE* status = stderr;  // warnings, port first; the live lines
        bool live = false;           // `status` is a terminal: draw the live lines
        bool reportLines = true;     // print the report lines (not when they share the screen)
        unsigned width = 80;         // the terminal's columns
    };

    GangBoard(std::vector<std::string> ports, Streams streams);

    void Line(std::size_t box, std::string_view line);
    void Warn(std::size_t box, std::string_view line);
    void Progress(std::size_t box, std::uint32_t upper, std::uint32_t pos);
    // Takes the live lines off the screen; the next change draws them again.
    void Clear();

  private:
    struct Row {
        std::string step;
        std::uint32_t upper = 0;
        std::uint32_t pos = 0;
    };
    void Draw(bool force);
    void Erase();

    std::mutex mutex_;
    std::vector<std::string> ports_;
    std::size_t portWidth_ = 0;
    Streams streams_;
    std::vector<Row> rows_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point lastDraw_{};
};

// The terminal columns `text` takes.
std::size_t DisplayColumns(std::string_view text);
// `text` cut to at most `columns` terminal columns (a CJK character takes two).
std::string FitColumns(std::string_view text, unsigned columns);

}  // namespace kx::cli
