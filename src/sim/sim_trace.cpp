#include "sim/sim_trace.h"

#include <cstdio>

namespace kx::sim {

std::string JsonEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u >= 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out;
}

std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const std::uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out;
}

void TraceFields::Key(std::string_view name) {
    text_ += ",\"";
    text_ += name;
    text_ += "\":";
}

TraceFields& TraceFields::Text(std::string_view name, std::string_view value) {
    Key(name);
    text_ += '"';
    text_ += JsonEscape(value);
    text_ += '"';
    return *this;
}

TraceFields& TraceFields::Number(std::string_view name, std::uint64_t value) {
    Key(name);
    text_ += std::to_string(value);
    return *this;
}

TraceFields& TraceFields::Hex(std::string_view name, std::uint32_t value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", digits, value);
    return Text(name, buf);
}

TraceFields& TraceFields::Flag(std::string_view name, bool value) {
    Key(name);
    text_ += value ? "true" : "false";
    return *this;
}

std::string FormatTraceLine(const TraceRecord& record) {
    char time[32];
    std::snprintf(time, sizeof time, "%llu.%03llu",
                  static_cast<unsigned long long>(record.atUs / 1000),
                  static_cast<unsigned long long>(record.atUs % 1000));
    const char* dir = record.direction == TraceDirection::Received ? "rx"
                      : record.direction == TraceDirection::Sent   ? "tx"
                                                                   : "event";
    std::string line = "{\"t_ms\":";
    line += time;
    line += ",\"dir\":\"";
    line += dir;
    line += "\",\"baud\":";
    line += std::to_string(record.baud);
    line += record.direction == TraceDirection::Event ? ",\"what\":\"" : ",\"cmd\":\"";
    line += JsonEscape(record.command);
    line += "\",\"hex\":\"";
    line += HexBytes(record.bytes);
    line += '"';
    line += record.fields;
    line += '}';
    return line;
}

void Trace::Add(TraceRecord record) {
    if (sink_ != nullptr) {
        *sink_ << FormatTraceLine(record) << '\n';
        sink_->flush();
    }
    if (keep_) records_.push_back(std::move(record));
}

std::vector<std::string> Trace::ReceivedCommands() const {
    std::vector<std::string> names;
    for (const auto& r : records_) {
        if (r.direction == TraceDirection::Received) names.push_back(r.command);
    }
    return names;
}

std::vector<std::string> Trace::Events() const {
    std::vector<std::string> names;
    for (const auto& r : records_) {
        if (r.direction == TraceDirection::Event) names.push_back(r.command);
    }
    return names;
}

}  // namespace kx::sim
