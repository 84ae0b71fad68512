#include "cli/gang_board.h"

#include <algorithm>

#include "cli/terminal_output.h"

namespace kx::cli {
namespace {

// Progress moves many times a second; the terminal need not.
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

unsigned ColumnsOf(unsigned char lead) {
    // Three- and four-byte UTF-8 sequences here are CJK text: two columns each.
    return lead >= 0xE0 ? 2 : 1;
}

}  // namespace

std::size_t DisplayColumns(std::string_view text) {
    std::size_t columns = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) columns += ColumnsOf(byte);  // continuation bytes add none
    }
    return columns;
}

std::string FitColumns(std::string_view text, unsigned columns) {
    std::string out;
    unsigned used = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        if (lead >= 0xF0) {
            length = 4;
        } else if (lead >= 0xE0) {
            length = 3;
        } else if (lead >= 0xC0) {
            length = 2;
        }
        length = std::min(length, text.size() - i);
        if (used + ColumnsOf(lead) > columns) break;
        used += ColumnsOf(lead);
        out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

GangBoard::GangBoard(std::vector<std::string> ports, Streams streams)
    : ports_(std::move(ports)), streams_(streams), rows_(ports_.size()) {
    for (const auto& port : ports_) portWidth_ = std::max(portWidth_, port.size());
}

void GangBoard::Line(std::size_t box, std::string_view line) {
    const std::lock_guard lock(mutex_);
    if (streams_.reportLines) {
        if (streams_.live && streams_.report == streams_.status) Erase();
        const std::string text = ports_[box] + ": " + std::string(line) + "\n";
        std::fwrite(text.data(), 1, text.size(), streams_.report);
        std::fflush(streams_.report);
    }
    rows_[box].step = std::string(line);
    Draw(true);
}

void GangBoard::Warn(std::size_t box, std::string_view line) {
    const std::lock_guard lock(mutex_);
    Erase();
    const std::string text = ports_[box] + ": " + std::string(line) + "\n";
    std::fwrite(text.data(), 1, text.size(), streams_.status);
    std::fflush(streams_.status);
    Draw(true);
}

void GangBoard::Progress(std::size_t box, std::uint32_t upper, std::uint32_t pos) {
    const std::lock_guard lock(mutex_);
    rows_[box].upper = upper;
    rows_[box].pos = pos;
    Draw(false);
}

void GangBoard::Clear() {
    const std::lock_guard lock(mutex_);
    Erase();
}

void GangBoard::Erase() {
    if (!drawn_) return;
    // Up to the first live line, then clear to the end of the screen.
    const std::string up = "\x1b[" + std::to_string(rows_.size()) + "A\r\x1b[J";
    std::fwrite(up.data(), 1, up.size(), streams_.status);
    std::fflush(streams_.status);
    drawn_ = false;
}

void GangBoard::Draw(bool force) {
    if (!streams_.live) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && drawn_ && now - lastDraw_ < kRedrawEvery) return;
    lastDraw_ = now;
    std::string text = drawn_ ? "\x1b[" + std::to_string(rows_.size()) + "A" : "";
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        std::string row = ports_[i];
        row.resize(portWidth_ + 2, ' ');
        row += rows_[i].upper != 0 ? ProgressLine(rows_[i].upper, rows_[i].pos) : "";
        row += "  " + rows_[i].step;
        // A line that wraps would break the count of lines to go back up.
        text += "\r\x1b[K" + FitColumns(row, streams_.width > 1 ? streams_.width - 1 : 1) + "\n";
    }
    std::fwrite(text.data(), 1, text.size(), streams_.status);
    std::fflush(streams_.status);
    drawn_ = true;
}

}  // namespace kx::cli
