#pragma once
// Record of every frame the box received and every reply it sent, as JSON lines:
// {"t_ms":12.345,"dir":"rx","baud":115200,"cmd":"RX_DATA_BLOCK","hex":"8012...","addr":"0xF000"}

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace kx::sim {

enum class TraceDirection { Received, Sent, Event };

struct TraceRecord {
    std::uint64_t atUs = 0;
    TraceDirection direction = TraceDirection::Event;
    std::uint32_t baud = 0;
    std::string command;  // command name, or what happened for events
    std::vector<std::uint8_t> bytes;
    std::string fields;  // further JSON members, already formatted
};

// Builds the "fields" part: ,"name":value pairs without the surrounding braces.
class TraceFields {
  public:
    TraceFields& Text(std::string_view name, std::string_view value);
    TraceFields& Number(std::string_view name, std::uint64_t value);
    TraceFields& Hex(std::string_view name, std::uint32_t value, int digits = 4);
    TraceFields& Flag(std::string_view name, bool value);
    std::string Take() { return std::move(text_); }

  private:
    void Key(std::string_view name);
    std::string text_;
};

std::string JsonEscape(std::string_view text);
std::string HexBytes(const std::vector<std::uint8_t>& bytes);
// One JSON object on one line, without the line end.
std::string FormatTraceLine(const TraceRecord& record);

class Trace {
  public:
    void SetKeep(bool keep) { keep_ = keep; }
    // Every record is also written to `sink` as a JSON line (null: none).
    void SetSink(std::ostream* sink) { sink_ = sink; }
    void Add(TraceRecord record);

    const std::vector<TraceRecord>& Records() const { return records_; }
    // Names of the frames received, in order ("SYNC" for loader sync bytes).
    std::vector<std::string> ReceivedCommands() const;
    // Names of the events, in order ("bad_checksum", "restart", ...).
    std::vector<std::string> Events() const;
    void Clear() { records_.clear(); }

  private:
    bool keep_ = true;
    std::ostream* sink_ = nullptr;
    std::vector<TraceRecord> records_;
};

}  // namespace kx::sim
